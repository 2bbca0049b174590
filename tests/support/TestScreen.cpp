// Linked into a test program that needs a known screen: before the program's application
// starts, the offscreen screen described by ORVANTIS_TEST_SCREEN (a file of the offscreen
// platform's screens) at a scale of ORVANTIS_TEST_SCALE, whatever the environment says.
#include <QByteArray>
#include <QtGlobal>

namespace {

const bool screenChosen = [] {
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + ORVANTIS_TEST_SCREEN);
    qputenv("QT_SCALE_FACTOR", ORVANTIS_TEST_SCALE);
    return true;
}();

} // namespace
