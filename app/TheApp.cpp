// The one application object, constructed before the entry point runs.
#include "app/ScreenSaverApp.h"

CScreenSaverApp theApp;
