#pragma once

class RegEdit;
class SerialController;

// Puts what the port table and the settings store have to tell once (a device that found no
// free port number, a settings write that failed) into txtErr through ShowError. Cheap when
// there is nothing to tell, so the window runs it on every tmr_Delay tick.
void ShowStoreNotices(SerialController& serial, const RegEdit& settings);
