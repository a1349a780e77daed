// The frame suite's fixture, built into this suite too: the tools' windows are tested in the
// real editor in the same way.
#include "frame/FrameFixture.cpp"
