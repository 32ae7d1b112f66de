#pragma once
// The pictures of the picker dialogs, drawn as vectors: the node picture of the element tree (a
// hammer and a pen on a blue diamond) and the glyphs of the confirm and close buttons.
#include <QIcon>

QIcon ElementNodePicture();
QIcon ConfirmPicture();
QIcon ClosePicture();
