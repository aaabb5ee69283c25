// The fixed parts of the page: its head with the style sheet, the body's
// skeleton, and the script that reads the embedded data and draws the page.
#pragma once

extern const char PAGE_HEAD[];
extern const char PAGE_BODY[];
extern const char PAGE_SCRIPT[];
