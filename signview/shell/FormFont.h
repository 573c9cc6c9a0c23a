#pragma once
#include <QFont>

// The windows' font: Arial 8 point (11 pixels high), or Liberation Sans,
// Arial's metric twin, where Arial is not installed, so the controls keep
// the sizes they were laid out for.
QFont FormFont();
