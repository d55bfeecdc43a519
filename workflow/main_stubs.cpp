// Temporary stand-ins for members whose real definitions other files will hold. Whoever writes the real
// member deletes its stand-in here in the same change.
#include "main.h"

// ---- profile settings (mainwindow/main_profilesettings.cpp): DELETE each when written there (their
// declarations sit in the profiles section of main.h for now; move them to the profile settings section).
void Tfm_main::SaveProfileSettings(int) {}
void Tfm_main::LoadVideoProfileSettings(int) {}
void Tfm_main::LoadDvdProfileSettings(int) {}

// ---- dispatch (mainwindow/main_dispatch.cpp): DELETE when DesignMenus is written there.
void Tfm_main::DesignMenus() {}

// ---- chooser (mainwindow/main_chooser.cpp): DELETE each when written there.
void Tfm_main::ShowChooserPanels(bool) {}
void Tfm_main::RestoreProfileButton(int) {}
void Tfm_main::DesignChooser() {}

// ---- dvd (workflow/main_dvd.cpp): DELETE when ConvertNextDvdTitle is written there (declared in the
// batch section of main.h; move the declaration to the dvd section then).
void Tfm_main::ConvertNextDvdTitle() {}
