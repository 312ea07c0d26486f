// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// Start-up failures of the windowing system (no display, no usable platform
// plugin) end the program with one clear line on stderr and a non-zero
// status, instead of Qt's abort with a core dump.
#pragma once

namespace StartupErrors {

// Call before the application object is made.
void catchPlatformFailures();
// Call once the application object stands: messages go back to Qt's handler.
void release();

} // namespace StartupErrors
