#pragma once
// A main form made as the program makes it, in fresh folders, with the shared state at its start values,
// the capture library's exports recorded and the message dialogs answered with OK.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "dialogs.h"
#include "kestrune_fake.h"
#include "main.h"
#include "testsupport.h"

class MainFormTest : public ::testing::Test {
protected:
  void SetUp() override {
    testsupport::App();
    Main = MainGlobals{};
    kestrune_fake::Reset();
    PreviousDialog = win::SetMessageDialogHandler([this](const win::TMessageRequest &request) {
      Messages.push_back(request);
      return win::idOK;
    });
  }
  void TearDown() override {
    delete Form;
    fm_main = nullptr;
    win::SetMessageDialogHandler(PreviousDialog);
  }

  // Creates the form (FormCreate runs) and makes it the program's main form.
  Tfm_main &Create() {
    Form = CreateForm<Tfm_main>(nullptr);
    fm_main = Form;
    return *Form;
  }
  // Creates and shows it (FormShow runs).
  Tfm_main &CreateAndShow() {
    Create().Show();
    return *Form;
  }
  // Writes a file into the Windows folder.
  void WriteWindowsFile(const std::string &name, const std::string &text) {
    std::ofstream(Places.WinDir / name) << text;
  }

  testsupport::FreshPlaces Places;
  Tfm_main *Form = nullptr;
  std::vector<win::TMessageRequest> Messages;
  win::MessageDialogFn PreviousDialog;
};
