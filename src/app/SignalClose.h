#pragma once
// A logout (SIGHUP) or a polite kill (SIGTERM) closes the window as its
// close button does, so that the study copy is deleted.

class QWidget;

// Installs the handlers; the signals arrive through a pipe on the event
// loop, where they close window.
void closeOnTerminationSignals(QWidget *window);
