#pragma once

#include <QTest>
#include <cstdio>
#include <cstdlib>

// QTEST_MAIN for tests that play sound. Qt 6.4's PulseAudio engine is a static object whose
// teardown disconnects from the sound server without its main-loop lock, so libpulse now and then
// aborts a process that passed every test. The test object and the application are destroyed as
// usual; only the static destructors are skipped, as the program itself does.
#define PELORIN_SOUND_TEST_MAIN(TestObject)                                                        \
    int main(int argc, char* argv[])                                                               \
    {                                                                                              \
        int rc = 0;                                                                                \
        {                                                                                          \
            QTest::Internal::callInitMain<TestObject>();                                           \
            QTEST_MAIN_SETUP()                                                                     \
            TestObject tc;                                                                         \
            QTEST_SET_MAIN_SOURCE_PATH                                                             \
            rc = QTest::qExec(&tc, argc, argv);                                                    \
        }                                                                                          \
        std::fflush(nullptr);                                                                      \
        std::_Exit(rc);                                                                            \
    }
