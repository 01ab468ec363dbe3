// What the About page's two online buttons and its home-page link do. The online
// services install their two functions at start-up (SetAboutPageHandlers); until
// they do, "Send feedback..." and "Check for new version..." only play their
// click. The settings window is passed as the owner of whatever they show.
#pragma once

#include <windows.h>

// The maker's home page, shown on the About page and opened by its link.
constexpr char kHomePageAddress[] = "http://www.pellor.example/korvan-selwyth/";

struct AboutPageHandlers {
    void (*sendFeedback)(HWND settingsWindow);        // "Send feedback..."
    void (*checkForNewVersion)(HWND settingsWindow);  // "Check for new version..."
    // Opens an address; null: the shell opens it (ShellExecuteA "open").
    void (*openAddress)(HWND settingsWindow, const char* address);
};

// Replaces every handler (a null member does nothing, or the shell for openAddress).
void SetAboutPageHandlers(const AboutPageHandlers& handlers);
const AboutPageHandlers& GetAboutPageHandlers();
