// Tumbleview.scr, the screen saver the desktop starts: "/s" runs it,
// "/p <window id>" shows the preview in that window, "/c" the settings.
#include "startup.h"

int main(int argc, char** argv) { tumbleview::runStartup(argc, argv); }
