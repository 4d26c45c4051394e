// Tumbleview_P: the settings dialog.  It shows the in-memory Settings
// (saver_state.h), which the user's choices change in place, and writes them
// to the settings file only through "設定".
//
// Life: construct (hidden, controls built), load() or showModal() (the load
// steps place the window, draw the panels, show the settings and zoom open
// from the pointer), then one way out: "設定" writes the five keys, unloads
// and ends the program; "ｷｬﾝｾﾙ" unloads and ends it; the close box unloads
// and leaves the ending to whoever showed the dialog.  Unloading zooms back
// to the pointer and deletes the dialog once the event loop gets there.
//
// Handlers run their steps through runSteps: a failing step is skipped
// and nothing is reported.  Pixels throughout; the controls of the two
// panels sit in the panels' client areas.  GUI thread only.
#pragma once

#include <QImage>

#include "command.h"
#include "qt_forms.h"

namespace tumbleview {

inline constexpr char kSettingsDialogCaption[] = "<Tumbleview>の設定";

class Tumbleview_P : public Form {
  Q_OBJECT

 public:
  Tumbleview_P();

  // The controls, in the order the dialog creates them.  An earlier control
  // lies above a later one where they overlap (the section titles over their
  // plates).  Groups are addressed by the value each member stands for.
  Command* Cmd_Set = nullptr;
  Command* Cmd_Can = nullptr;
  PictureBox* Pic_Dummy = nullptr;  // hidden: takes the size of each picture loaded
  PictureBox* Pic_C = nullptr;      // music panel
  Command* Cmd_BGM = nullptr;
  ComboBox* BGM_Repeat = nullptr;
  ControlGroup<Label> lbl;  // 0, 1: section titles; 2: track caption; 9: credit line
  ControlGroup<ImageControl> Img_TT;
  ControlGroup<ImageControl> Img_BGM;
  ControlGroup<Label> lbl_BGM;
  Label* lbl_Fname = nullptr;
  PictureBox* Pic_Mbl = nullptr;  // outside the client area: the panel tile
  PictureBox* Pic_B = nullptr;    // picture panel
  Command* Cmd_Pic = nullptr;
  PictureBox* Display = nullptr;  // the preview
  ControlGroup<Label> lbl_Sel;
  ControlGroup<ImageControl> Img_Sel;
  Label* lbl_Pname = nullptr;
  ImageControl* Img_Opt_On = nullptr;   // outside the client area: selected mark
  ImageControl* Img_Opt_Off = nullptr;  // outside the client area: unselected mark
  Label* lbl_URL = nullptr;

  // Lays the tile of Pic_Mbl over `panel`'s surface, column by column.
  void TileBackground(PictureBox& panel);
  // Initialize on every Command button of the dialog.
  void SetupCommandButtons();
  // Loads the file named by lbl_Pname into the measuring box (Pic_Dummy
  // and its content) and shows it stretched into Display (80 on its longer
  // side, top-left corner kept), with a raised edge.  A file that does not
  // load leaves the measuring box as it was, and its old content is shown
  // instead: at first an empty 57 x 53 box.
  void ShowPicturePreview();

 protected:
  void onLoad() override;
  void onResize() override;
  void onUnload() override;

 private:
  static constexpr int kPictureFileKind = 1;
  static constexpr int kMusicCdKind = 1;
  static constexpr int kMusicFileKind = 2;

  void place();
  void showPictureSource(int kind);
  void showMusicKind(int kind);
  void pictureSourcePressed(int index);
  void musicPressed(int index);
  void choosePicture();
  void chooseMusic();
  void saveAndEnd();
  void cancelAndEnd();
  void openLink();

  template <class Control>
  Control* create(QWidget* container, int x, int y, int width, int height);
  Command* createCommand(QWidget* container, const char* name, int x, int y, int width,
                         int height);

  // The measuring box's content.  Kept here rather than in a surface of
  // Pic_Dummy, which is never shown: a camera photo would be copied twice
  // more for nothing.
  QImage m_measured;
};

}  // namespace tumbleview
