// TWDiag, the diagnostics program of the instrument's boards. The main
// program starts it as "\FlashFX Disk\Startup\QXCopy\TWDiag.exe"; it takes
// the options every program takes. An interrupt or termination signal
// closes the dialog as Escape would (app_main).
#include "platform/framework/app.h"
#include "tools/diag/diag_app.h"

int main(int argc, char** argv) {
    static diag::CDiagApp theApp;
    return plat::app_main(theApp, argc, argv);
}
