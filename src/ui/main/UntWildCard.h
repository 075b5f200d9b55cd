#pragma once
// The Setup Scan dialog: made once at start-up, hidden, and reused for every scan. Its controls and
// behaviour come with the scan commands; for now it is the empty window with its frame.

#include "toolkit/Form.h"

class TFrmWC : public TForm {
public:
    TFrmWC();

    // Whether the user cancelled the dialog the last time it was shown.
    bool FCanceled = false;
};
