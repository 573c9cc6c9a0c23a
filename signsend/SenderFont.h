#pragma once
#include <QFont>

// The window's font: Tahoma at 11 pixels, the font the form was laid out
// for. Where Tahoma is not installed, Liberation Sans at the same size:
// the free font nearest to Tahoma's widths (Tahoma and Arial, whose metrics
// Liberation Sans copies, set text about equally wide, while DejaVu Sans
// runs about a tenth wider and would crowd the fixed-size controls).
QFont SenderFont();
