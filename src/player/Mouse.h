#pragma once

class QWidget;

// Shows or hides the pointer over the player; repeated calls leave it exactly shown or hidden.
void Show_Mouse(QWidget& window, bool visible);
