#pragma once
// The main-window fixture lives with the shared test fixtures.
#include "tests/support/main_window_fixture.h"
