#pragma once
// What the files ask of the application (message boxes, storage figures,
// the unit's serial number), registered while the program runs.
class CCelvaneApp;

void RegisterAppFileServices(CCelvaneApp& app);
void UnregisterAppFileServices();
