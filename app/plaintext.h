#pragma once

class QWidget;

// Shows every label under root (root included) as plain text. Station, country and song
// names come from the network and from files: rendered as rich text, a name such as
// "<img src=/dev/zero>" would make Qt read a local file.
void usePlainText(QWidget* root);
