// The virtual keyboard's protocol code as wayland-scanner generates it.  It is
// C; compiled here as C++ after its header, which gives its interfaces C
// linkage, so that the project needs no C compiler.
#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include "virtual-keyboard-unstable-v1-protocol.c"
