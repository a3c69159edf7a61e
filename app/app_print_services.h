#pragma once
// Printing the screen from the application: its settings store and the print
// settings dialog for the print object, and the print object for the graph.
#include <memory>

class CCelvaneApp;
class IScreenPrint;

void RegisterAppPrintServices(CCelvaneApp& app);
void UnregisterAppPrintServices();
// The graph's print object: prints the screen with the main view as the
// owner of the dialog and of the printer's messages.
std::unique_ptr<IScreenPrint> CreateAppScreenPrint(CCelvaneApp& app);
