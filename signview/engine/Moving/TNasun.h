#pragma once
// The moving-text thread: scrolls one section of the text through the rest
// of its text line.
#include "../Thread.h"

class TNasun : public Thread {
public:
  void Execute() override {}
};
