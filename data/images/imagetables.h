#pragma once
// What the main window's pictures show and how large each one is: the profile descriptions, the chooser's
// categories, the size of every profile button and the pictures the main form carries itself.
#include <QSize>
#include <QString>

#include <map>
#include <optional>
#include <vector>

namespace vantrelimages {

constexpr int ProfileButtonCount = 132;
constexpr int CategoryIconCount = 14;

// Profile number -> description, such as "MP4-MPEG-4 Video(*.mp4)". Numbers without a profile are absent.
const std::map<int, QString> &ProfileDescriptions();

// The description split for drawing: "AVI - H264 Movie(*.avi)" gives "AVI - H264 Movie" and "*.avi".
struct DescriptionParts {
  QString Name;
  QString Pattern;
};
DescriptionParts SplitDescription(const QString &description);

struct Category {
  int Number;       // 1..13, top to bottom
  QString Word;     // the file word: images/main/general/img_<Word>.bmp
  QString Caption;  // what the picture reads
  QSize Size;
};
const std::vector<Category> &Categories();

// The picture size of profile button N (1..132); the button's size on its panel.
QSize ProfileButtonSize(int number);

// A button of the first video page that opens a further column (a sub-panel) of related profiles.
struct ProfileGroup {
  int Button;     // 2..5
  int First;      // the sub-panel's buttons, filler included
  int Last;
  QString Title;  // the family the sub-panel holds, as the group button names it
};
const std::vector<ProfileGroup> &ProfileGroups();
// The group whose button is `number`; none for every other button.
const ProfileGroup *GroupOfButton(int number);

// The sub-panel button 2..5 opens, so its picture points to the side.
bool OpensSubPanel(int number);

// What a profile button reads: the output type on its badge, its name, and a small line below.
struct ButtonTexts {
  QString Badge;
  QString Name;
  QString Detail;
};
// A profile button reads its own description. A group button opens a column of other profiles, so
// it reads what that column holds (its own number's description names a profile it never applies).
// None for a button without a description.
std::optional<ButtonTexts> TextsOfButton(int number);

// A picture the main form carries itself; the window loads it from images/form/<Name>.bmp.
struct FormPicture {
  QString Name;
  QSize Size;
};
const std::vector<FormPicture> &FormPictures();

}  // namespace vantrelimages
