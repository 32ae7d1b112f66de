#pragma once
// The query window's short guide (F1): its conditions, keys and outputs, in the user's words.
#include <QString>

class QWidget;

QString QueryWindowGuide();
// Shows the guide in a box over the window.
void ShowQueryGuide(QWidget *parent);
