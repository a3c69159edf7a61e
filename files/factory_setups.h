#pragma once
// The default setups of the device image: "Factory SA.tws" and
// "Factory VNA.tws" in "\FlashFX Disk\My Setups\Backup", which the screens
// recall as their factory setups.

// Writes each factory setup that is absent; false when one could not be
// written (the messages say why).
bool WriteFactorySetups();
