// Test main of the Qt-free tests: a fresh machine for every test.
#include "TestMachine.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    testing_support::InstallTestMachine();
    return RUN_ALL_TESTS();
}
