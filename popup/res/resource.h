// Resource ids of tkWDBox.
#pragma once

#define IDB_SKIN_LIGHT 129  // the skin the pop-up loads
#define IDI_APP_ICON 130
#define IDB_SKIN_CYAN 131
#define IDB_SKIN_BLUE 132
