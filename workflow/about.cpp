// The about box: the program's name and its web and contact links.
#include "about.h"

#include <QPainter>
#include <QPainterPath>

#include "canvas.h"
#include "main.h"
#include "uWRStream.h"

Tfm_about *fm_about = nullptr;

namespace {

// The program's icon: a slide with a play mark.
QImage ProgramIcon() {
  QImage icon(36, 36, QImage::Format_RGB32);
  icon.fill(QColor(240, 240, 240));
  QPainter p(&icon);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(29, 51, 80), 1.5));
  p.setBrush(QColor(62, 112, 176));
  p.drawRoundedRect(QRectF(2.5, 5.5, 31, 25), 3, 3);
  QPainterPath play;
  play.moveTo(14, 11);
  play.lineTo(25, 18);
  play.lineTo(14, 25);
  play.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawPath(play);
  return icon;
}

}  // namespace

Tfm_about::Tfm_about(TComponent *owner) : TForm(owner) {
  SetName("fm_about");
  SetCaption("About");
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  SetClientSize(293, 208);
  QFont font = this->font();
  font.setPixelSize(13);
  setFont(font);

  Image1 = new TImage(this, this);
  Image1->SetName("Image1");
  Image1->setGeometry(24, 24, 36, 36);
  Image1->Picture()->Assign(ProgramIcon());

  Label1 = new TLabel(this, this);
  Label1->SetName("Label1");
  Label1->SetBounds(76, 26, 200, 18);
  QFont bold = Label1->font();
  bold.setBold(true);
  Label1->setFont(bold);

  lbl_web = new TLabel(this, this);
  lbl_web->SetName("lbl_web");
  lbl_web->SetCaption("Visit our web");
  lbl_web->SetBounds(76, 56, 120, 18);
  lbl_web->setCursor(Qt::PointingHandCursor);
  lbl_web->SetFontColor(clBlue);
  lbl_web->OnMouseEnter = [this] { lbl_webMouseEnter(); };
  lbl_web->OnMouseLeave = [this] { lbl_webMouseLeave(); };
  lbl_web->OnClick = [this] { lbl_webClick(); };

  Panel1 = new TPanel(this, this);
  Panel1->SetName("Panel1");
  Panel1->SetBounds(16, 150, 261, 2);
  Panel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);

  btn_contact = new TButton(this, this);
  btn_contact->SetName("btn_contact");
  btn_contact->SetCaption("Contact us ");
  btn_contact->SetBounds(112, 168, 80, 25);
  btn_contact->OnClick = [this] { btn_contactClick(); };
  btn_close = new TButton(this, this);
  btn_close->SetName("btn_close");
  btn_close->SetCaption("Close");
  btn_close->SetBounds(200, 168, 80, 25);
  btn_close->OnClick = [this] { btn_closeClick(); };

  OnShow = [this] { FormShow(); };
}

void Tfm_about::FormShow() {
  const std::string &name = Main.EditionName;
  Label1->SetCaption(name.size() > 4 ? name.substr(0, name.size() - 4) : std::string());
  if (fm_main) move(fm_main->x() + 160, fm_main->y() + 100);
}

void Tfm_about::lbl_webMouseEnter() { lbl_web->SetFontColor(clRed); }

void Tfm_about::lbl_webMouseLeave() { lbl_web->SetFontColor(clBlue); }

void Tfm_about::lbl_webClick() {
  std::string address;
  fm_main->GetHomePageAddress(address);
  OpenWebAddress(address);
}

void Tfm_about::btn_contactClick() {
  std::string address;
  ReadWebInfoRecord(ContactRecord, address);
  OpenWebAddress(address);
}

void Tfm_about::btn_closeClick() { Close(); }
