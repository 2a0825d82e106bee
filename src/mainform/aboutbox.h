// The About box, built in code each time it is shown; its sizes follow the screen's pixels
// per inch.
#pragma once

class QWidget;

void ShowAboutBox(QWidget* AOwner);
