#pragma once
// Message, open-file and folder dialogs go through one replaceable function each, so that tests can
// answer them.
#include <functional>
#include <string>
#include <vector>

namespace win {

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
constexpr int mbOK = 1, mbCancel = 2, mbYes = 6, mbNo = 7;
constexpr int idOK = 1, idCancel = 2, idYes = 6, idNo = 7;

struct TMessageRequest {
  std::string Text;
  std::string Caption;
  TMsgDlgType Type = TMsgDlgType::mtInformation;
  std::vector<int> Buttons = {mbOK};
};
using MessageDialogFn = std::function<int(const TMessageRequest &)>;
// Shows a modal message dialog; returns the button pressed.
int MessageDlg(const std::string &text, TMsgDlgType type, std::vector<int> buttons = {mbOK},
               const std::string &caption = "");
MessageDialogFn SetMessageDialogHandler(MessageDialogFn fn);

struct TOpenRequest {
  std::string Title;
  // "description|pattern;pattern|description|pattern..." as the framework writes it.
  std::string Filter;
  int FilterIndex = 1;
  std::string InitialDir;
  bool MultiSelect = false;
};
using OpenDialogFn = std::function<std::vector<std::string>(const TOpenRequest &)>;
// The chosen files; empty when cancelled. Without an InitialDir the dialog starts where the files
// were last chosen, or in the home folder.
std::vector<std::string> OpenFileDialog(const TOpenRequest &request);
OpenDialogFn SetOpenDialogHandler(OpenDialogFn fn);

using FolderDialogFn = std::function<std::string(const std::string &title, const std::string &initialDir)>;
// The chosen folder; empty when cancelled.
std::string BrowseForFolder(const std::string &title, const std::string &initialDir);
FolderDialogFn SetFolderDialogHandler(FolderDialogFn fn);

// Splits a filter into (description, patterns) pairs.
std::vector<std::pair<std::string, std::vector<std::string>>> ParseFilter(const std::string &filter);
// True when the file name matches one of the patterns ("*.ppt", "*.*"), ignoring case.
bool MatchesPattern(const std::string &fileName, const std::vector<std::string> &patterns);

}  // namespace win
