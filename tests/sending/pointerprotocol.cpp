// The virtual pointer's protocol code as wayland-scanner generates it: C,
// compiled here as C++ after its header, which gives its interfaces C
// linkage, so that the project needs no C compiler.
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include "wlr-virtual-pointer-unstable-v1-protocol.c"
