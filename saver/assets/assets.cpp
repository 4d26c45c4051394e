#include "assets.h"

#include <QCursor>
#include <QPixmap>

namespace tumbleview::assets {

QCursor handCursor() {
  return QCursor(QPixmap(QString::fromLatin1(kHandCursor)), kHandCursorHotSpotX,
                 kHandCursorHotSpotY);
}

}  // namespace tumbleview::assets
