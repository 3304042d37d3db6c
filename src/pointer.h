// Which pointer events reach SDL's queue. The queue holds 128 events and drops
// what comes once it is full, a close request too: a screen that reads one
// event per step and never looks at the pointer keeps motion out while it is up.
#ifndef DUSKWANE_POINTER_H
#define DUSKWANE_POINTER_H

// Whether pointer motion reaches the queue (1) or is kept out (0); returns the
// previous setting.
int SuivreSouris(int suivre);
// Puts the filter in place that honours SuivreSouris, keeping what already
// waits in the queue; SetDisplayMode calls it.
void InstallerFiltreSouris();

#endif
