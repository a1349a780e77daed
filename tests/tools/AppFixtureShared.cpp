// The application fixture of the app suite, built into this suite too: the frame tests run
// the real application with real documents in the same way.
#include "app/AppFixture.cpp"
