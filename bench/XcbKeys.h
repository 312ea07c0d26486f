// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// The keyboard as the benchmarks' X clients see it.
#pragma once

#include <xcb/xcb.h>

#include <cstdlib>

namespace bench {

// The keycode that gives keysym wanted, or 0 when no key does.
inline xcb_keycode_t keycodeOf(xcb_connection_t *c, xcb_keysym_t wanted)
{
    const xcb_setup_t *setup = xcb_get_setup(c);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t *mapping = xcb_get_keyboard_mapping_reply(
        c, xcb_get_keyboard_mapping(c, setup->min_keycode, static_cast<uint8_t>(count)), nullptr);
    xcb_keycode_t found = 0;
    if (mapping) {
        const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(mapping);
        for (int i = 0; i < count && !found; ++i) {
            for (int j = 0; j < mapping->keysyms_per_keycode; ++j)
                if (syms[i * mapping->keysyms_per_keycode + j] == wanted)
                    found = static_cast<xcb_keycode_t>(setup->min_keycode + i);
        }
        free(mapping);
    }
    return found;
}

} // namespace bench
