#pragma once
// What the files ask of the application (message boxes, storage figures,
// the unit's serial number), registered while the program runs.
class CCelvaneApp;
class ISetupEnvironment;

void RegisterAppFileServices(CCelvaneApp& app);
void UnregisterAppFileServices();
// What the setups of the screens look up in the program's lists; null
// while the services are not registered.
ISetupEnvironment* AppSetupEnvironment();
