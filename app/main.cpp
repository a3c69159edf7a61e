// The main program of the instrument.
#include "app/celvane_app.h"

int main(int argc, char** argv) {
    // The application lives in main's frame, so that its frame, windows and
    // threads end before the platform's own statics do.
    CCelvaneApp theApp;
    // app_main powers the hardware on before the program starts; an
    // interrupt or termination signal closes the program as its user would.
    return plat::app_main(theApp, argc, argv);
}
