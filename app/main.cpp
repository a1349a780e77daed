// Vantorix: start-up, the event loop, and the end.
#include "app/CVantorixApp.h"

int main(int argc, char** argv)
{
    vtx::CVantorixApp app(argc, argv);
    if (!app.InitInstance())
        return app.ExitInstance();
    app.Run();
    return app.ExitInstance();
}
