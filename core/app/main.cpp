// The main program of the instrument.
#include "core/app/celvane_app.h"

int main(int argc, char** argv) {
    static CCelvaneApp theApp;
    return plat::app_main(theApp, argc, argv);
}
