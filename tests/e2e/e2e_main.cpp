// The end-to-end tests' entry: on the test desktop, or started again there.
#include <gtest/gtest.h>

#include "tests/e2e/e2e_driver.h"

int main(int argc, char** argv) {
    bool relaunched = false;
    const int code = e2e::RunOnTestDesktop(argc, argv, &relaunched);
    if (relaunched) return code;
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    e2e::ReportResult(result);
    return result;
}
