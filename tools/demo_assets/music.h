#pragma once
// The demo's music and sound effects.

#include "tools/demo_assets/synth.h"

Track daylightMusic(); // about 30 s: a bright plucked tune in D major
Track moonlitMusic();  // about 30 s: slow bells over soft chords in A minor
Track defaultMusic();  // about 12 s: the template's calm arpeggio in C
Track chimeSound();    // wind chimes
Track windSound();     // an evening gust
Track knockSound();    // three knocks on the door
Track defaultSound();  // the template's ding-dong
