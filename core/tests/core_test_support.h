#pragma once
// A fresh device root for tests that touch instrument files, removed after
// the test.
#include "platform/fs/tests/test_support.h"

using TempDeviceRoot = celvane_test::TempRoot;
