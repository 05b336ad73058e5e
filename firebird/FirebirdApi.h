#pragma once

// The only way into <firebird/Interface.h>: its inline code trips our warning flags
// (old-style casts, conversions), and marking it a system header keeps them quiet
// without relaxing the flags for our own code.
#pragma GCC system_header

#include <firebird/Interface.h>
