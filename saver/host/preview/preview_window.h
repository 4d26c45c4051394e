// Tumbleview_R: the still picture of the cube shown in a screen-saver
// preview pane of another program.
#pragma once

#include <QString>

#include "qt_forms.h"
#include "x11_connection.h"

namespace tumbleview {

inline constexpr const char* kPreviewCaption = "Preview Window";

class PreviewWindow : public Form {
  Q_OBJECT

 public:
  // Borderless, black, hidden; `stillPath` names the picture to show: the
  // still compiled into the program (assets::kPreview, 152 x 112) unless a
  // test gives another.  A picture that cannot be read leaves it black.
  explicit PreviewWindow(const QString& stillPath = QString());

  // Loads the window, makes it a child of the foreign X window `pane` at
  // (0, 0) with the pane's outer size, stretches Img_Prev over all of it
  // and shows it.  When the pane is destroyed the window unloads with it.
  // False (window left loaded, hidden and unparented) when the pane does
  // not exist.
  bool showInPane(X11WindowId pane);

  // The still picture, stretched over its own rectangle.
  ImageControl* const Img_Prev;

 protected:
  void onUnload() override;
};

}  // namespace tumbleview
