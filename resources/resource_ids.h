// Resource numbers of the Windows build.
#pragma once

#define IDB_LOGO 131
