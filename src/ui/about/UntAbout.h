#pragma once
// The About window: made once at start-up, hidden, and shown from the caption-bar button's menu. Its
// content comes with the About window's own work; for now it is the empty window with its frame.

#include "toolkit/Form.h"

class TFrmAbout : public TForm {
public:
    TFrmAbout();
};
