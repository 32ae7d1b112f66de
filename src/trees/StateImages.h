#pragma once
// The state pictures of check trees, drawn as vectors so that they stay sharp at any screen
// scale: by index 0 a door (never used as a state), 1 an empty check box, 2 a ticked box on grey
// (partly ticked), 3 a ticked box, 4 an open folder.
#include <QIcon>
#include <QList>

enum TStatePicture { spDoor = 0, spEmpty = 1, spPartly = 2, spTicked = 3, spOpenFolder = 4 };

QIcon StatePicture(TStatePicture picture);
// All five, in index order: the state image list of a check tree's view.
QList<QIcon> StatePictures();
