// The Linux backend's tests run inside a Qt application on the X11 platform, as the program does.
// Without a display only a core application is made (QtDBus needs one), and every test that needs
// the screen skips itself.

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <cstring>
#include <memory>

int main(int argc, char** argv) {
    bool listing = false;
    for (int i = 1; i < argc; ++i) listing = listing || std::strcmp(argv[i], "--gtest_list_tests") == 0;
    testing::InitGoogleTest(&argc, argv);
    std::unique_ptr<QCoreApplication> app;
    const char* display = std::getenv("DISPLAY");
    if (!listing && display && *display) {
        qputenv("QT_QPA_PLATFORM", "xcb");
        app = std::make_unique<QApplication>(argc, argv);
        QApplication::setApplicationName("Tarnlet");
        QApplication::setQuitOnLastWindowClosed(false);
    } else if (!listing) {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    return RUN_ALL_TESTS();
}
