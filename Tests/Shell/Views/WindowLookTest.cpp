#include "Shell/Views/WindowLook.h"

#include "Widgets/DarkLook.h"

#include <gtest/gtest.h>

using namespace pellimor;

// Every view that colours by look asks DarkLook; the window's schemes must read as they are.
TEST(WindowLook, theDarkSchemeReadsAsDarkAndTheLightOneAsLight) {
    EXPECT_TRUE(DarkLook::isDark(WindowLook::darkPalette()));
    EXPECT_FALSE(DarkLook::isDark(WindowLook::lightPalette()));
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        QPalette dark = WindowLook::darkPalette();
        dark.setCurrentColorGroup(group);
        EXPECT_TRUE(DarkLook::isDark(dark));
    }
}
