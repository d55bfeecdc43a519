#pragma once
// A fresh temporary folder per test, removed afterwards.
#include <string>

#include <QTemporaryDir>

class TestFolder {
public:
  TestFolder() : FDir(QDir::tempPath() + "/vantrel-mm-XXXXXX") {}
  std::string Path(const std::string &name) const { return FDir.path().toStdString() + "/" + name; }

private:
  QTemporaryDir FDir;
};
