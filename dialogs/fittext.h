#pragma once

// Texts and panels that may be wider than the room a layout gives them
// (names from the drive or the definition files, long translations).

class QLabel;
class QScrollArea;
class QTableWidget;

namespace FitText {

// Lets `label` shrink below its text: a text that does not fit is drawn cut
// with "…" and shown whole as the label's tooltip. The label's text stays
// whole (text() and setText() as before); plain, single-line texts only.
// The text drawn is kept in the label's "shownText" property.
void elide(QLabel *label);

// Each column of `table` as wide as its heading and its cells, the last one
// taking what is left over.
void fitColumns(QTableWidget *table);

// Keeps `area` as wide as the widget it scrolls wants to be (and room for the
// scroll bar): it scrolls up and down but never cuts at the side, also after
// that widget gains controls or texts change.
void fitWidth(QScrollArea *area);

} // namespace FitText
