#include "dialogs.h"

#include "files.h"
#include "paths.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QSortFilterProxyModel>
#include <algorithm>

namespace win {
namespace {

int DefaultMessage(const TMessageRequest &request) {
  QMessageBox box;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  switch (request.Type) {
    case TMsgDlgType::mtWarning: icon = QMessageBox::Warning; break;
    case TMsgDlgType::mtError: icon = QMessageBox::Critical; break;
    case TMsgDlgType::mtInformation: icon = QMessageBox::Information; break;
    case TMsgDlgType::mtConfirmation: icon = QMessageBox::Question; break;
    case TMsgDlgType::mtCustom: break;
  }
  box.setIcon(icon);
  box.setWindowTitle(QString::fromStdString(request.Caption.empty() ? QApplication::applicationName().toStdString()
                                                                     : request.Caption));
  box.setText(QString::fromStdString(request.Text));
  for (int button : request.Buttons) {
    switch (button) {
      case mbOK: box.addButton(QMessageBox::Ok); break;
      case mbCancel: box.addButton(QMessageBox::Cancel); break;
      case mbYes: box.addButton(QMessageBox::Yes); break;
      case mbNo: box.addButton(QMessageBox::No); break;
    }
  }
  switch (box.exec()) {
    case QMessageBox::Ok: return idOK;
    case QMessageBox::Yes: return idYes;
    case QMessageBox::No: return idNo;
    default: return idCancel;
  }
}

// Filters the file list by the pattern list of the chosen filter, whatever its description says.
class PatternProxy : public QSortFilterProxyModel {
public:
  std::vector<std::string> Patterns;

protected:
  bool filterAcceptsRow(int row, const QModelIndex &parent) const override {
    auto *model = static_cast<QFileSystemModel *>(sourceModel());
    QModelIndex index = model->index(row, 0, parent);
    if (model->isDir(index)) return true;
    return MatchesPattern(model->fileName(index).toStdString(), Patterns);
  }
};

std::vector<std::string> DefaultOpen(const TOpenRequest &request) {
  auto filters = ParseFilter(request.Filter);
  QFileDialog dialog(nullptr, QString::fromStdString(request.Title), QString::fromStdString(request.InitialDir));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setFileMode(request.MultiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  QStringList names;
  for (auto &[description, patterns] : filters) names << QString::fromStdString(description) + " (*)";
  auto *proxy = new PatternProxy;
  dialog.setProxyModel(proxy);
  auto choose = [&](int index) {
    proxy->Patterns = index >= 0 && index < static_cast<int>(filters.size()) ? filters[index].second
                                                                           : std::vector<std::string>{"*"};
    proxy->invalidate();
  };
  if (!names.isEmpty()) {
    dialog.setNameFilters(names);
    int index = std::clamp(request.FilterIndex - 1, 0, static_cast<int>(names.size()) - 1);
    dialog.selectNameFilter(names[index]);
    choose(index);
    QObject::connect(&dialog, &QFileDialog::filterSelected,
                     [&](const QString &name) { choose(static_cast<int>(names.indexOf(name))); });
  }
  std::vector<std::string> chosen;
  if (dialog.exec() == QDialog::Accepted)
    for (const QString &file : dialog.selectedFiles()) chosen.push_back(file.toStdString());
  return chosen;
}

std::string DefaultFolder(const std::string &title, const std::string &initialDir) {
  return QFileDialog::getExistingDirectory(nullptr, QString::fromStdString(title), QString::fromStdString(initialDir))
      .toStdString();
}

MessageDialogFn &MessageHandler() {
  static MessageDialogFn fn = DefaultMessage;
  return fn;
}
OpenDialogFn &OpenHandler() {
  static OpenDialogFn fn = DefaultOpen;
  return fn;
}
// The folder of the files chosen last in an open dialog, for as long as the program runs.
std::string &LastOpenFolder() {
  static std::string folder;
  return folder;
}

FolderDialogFn &FolderHandler() {
  static FolderDialogFn fn = DefaultFolder;
  return fn;
}

bool WildcardMatch(const char *pattern, const char *text) {
  for (; *pattern; ++pattern, ++text) {
    if (*pattern == '*') {
      for (const char *rest = text;; ++rest) {
        if (WildcardMatch(pattern + 1, rest)) return true;
        if (!*rest) return false;
      }
    }
    if (!*text) return false;
    if (*pattern != '?' && std::tolower(static_cast<unsigned char>(*pattern)) !=
                               std::tolower(static_cast<unsigned char>(*text)))
      return false;
  }
  return !*text;
}

}  // namespace

int MessageDlg(const std::string &text, TMsgDlgType type, std::vector<int> buttons, const std::string &caption) {
  return MessageHandler()(TMessageRequest{text, caption, type, std::move(buttons)});
}

MessageDialogFn SetMessageDialogHandler(MessageDialogFn fn) {
  MessageDialogFn previous = MessageHandler();
  MessageHandler() = fn ? std::move(fn) : MessageDialogFn(DefaultMessage);
  return previous;
}

std::vector<std::string> OpenFileDialog(const TOpenRequest &request) {
  TOpenRequest shown = request;
  if (shown.InitialDir.empty())
    shown.InitialDir = DirectoryExists(LastOpenFolder()) ? LastOpenFolder() : HomeFolder();
  std::vector<std::string> chosen = OpenHandler()(shown);
  if (!chosen.empty()) LastOpenFolder() = ExtractFilePath(chosen.front());
  return chosen;
}

OpenDialogFn SetOpenDialogHandler(OpenDialogFn fn) {
  OpenDialogFn previous = OpenHandler();
  OpenHandler() = fn ? std::move(fn) : OpenDialogFn(DefaultOpen);
  return previous;
}

std::string BrowseForFolder(const std::string &title, const std::string &initialDir) {
  return FolderHandler()(title, initialDir);
}

FolderDialogFn SetFolderDialogHandler(FolderDialogFn fn) {
  FolderDialogFn previous = FolderHandler();
  FolderHandler() = fn ? std::move(fn) : FolderDialogFn(DefaultFolder);
  return previous;
}

std::vector<std::pair<std::string, std::vector<std::string>>> ParseFilter(const std::string &filter) {
  std::vector<std::string> parts;
  std::string::size_type start = 0;
  while (start <= filter.size()) {
    auto bar = filter.find('|', start);
    parts.push_back(filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  std::vector<std::pair<std::string, std::vector<std::string>>> result;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::vector<std::string> patterns;
    std::string::size_type from = 0;
    const std::string &list = parts[i + 1];
    while (from <= list.size()) {
      auto semi = list.find(';', from);
      std::string pattern = list.substr(from, semi == std::string::npos ? std::string::npos : semi - from);
      pattern.erase(0, pattern.find_first_not_of(' '));
      if (!pattern.empty()) pattern.erase(pattern.find_last_not_of(' ') + 1);
      if (!pattern.empty()) patterns.push_back(pattern);
      if (semi == std::string::npos) break;
      from = semi + 1;
    }
    result.emplace_back(parts[i], patterns);
  }
  return result;
}

bool MatchesPattern(const std::string &fileName, const std::vector<std::string> &patterns) {
  return std::any_of(patterns.begin(), patterns.end(), [&](const std::string &pattern) {
    // "*.*" matches every name, with or without an extension, as on Windows.
    return pattern == "*.*" || WildcardMatch(pattern.c_str(), fileName.c_str());
  });
}

}  // namespace win
