#include "settings_dialog.h"

#include <QPointer>

#include "tumbleview_p.h"

namespace tumbleview {

void showSettingsDialog() {
  QPointer<Tumbleview_P> dialog = new Tumbleview_P;
  dialog->showModal();
  // The dialog asked to be deleted once the event loop comes back; the loop
  // that would do it may be the caller's last, so it goes now.
  delete dialog.data();
}

}  // namespace tumbleview
