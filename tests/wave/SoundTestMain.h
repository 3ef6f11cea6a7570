#pragma once

#include "wave/gui/Playback.h"

#include <QTest>

// QTEST_MAIN for tests that play sound: they leave as the program does (Playback::LeaveProcess).
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
        Playback::LeaveProcess(rc);                                                                \
    }
