#pragma once

// Registers the windows of the image tools with the main window's window-opener registry.
// app/ calls this once at start-up; tests that drive those windows from the main window call it too.
void registerImageToolsWindows();
