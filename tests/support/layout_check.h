#pragma once

#include <string>
#include <vector>

#include "ui/form.h"

namespace qv::testing {

// What is wrong with a loaded form's layout as it stands now: a visible control with no size,
// one that leaves its frame or the form's inside, or one that overlaps a visible neighbour in the
// same container. Controls inside a frame keep clear of its border and caption.
inline std::vector<std::string> LayoutProblems(const ui::Form& form) {
  struct Box {
    int left, top, right, bottom;
  };
  // A frame's caption and border take this much of its inside.
  constexpr int kFrameCaption = 200;
  constexpr int kFrameBorder = 60;
  std::vector<std::string> problems;
  const std::string where = form.Name() + " at height " + std::to_string(form.Height) + ": ";
  if (form.Width <= 0 || form.Height <= 0) problems.push_back(where + "the form has no size");
  const auto shown = [](const ui::Control* c) {
    for (; c; c = c->Container) {
      if (!c->Visible) return false;
    }
    return true;
  };
  const auto inside = [&form](const ui::Control* c) {
    if (const ui::Frame* frame = c->Container) {
      return Box{kFrameBorder, kFrameCaption, frame->Width - kFrameBorder,
                 frame->Height - kFrameBorder};
    }
    return Box{0, 0, form.Width - ui::Form::kBorderWidth, form.Height - ui::Form::kTitleHeight};
  };
  std::vector<const ui::Control*> visible;
  for (const ui::Control* c : form.Controls()) {
    if (!shown(c)) continue;
    visible.push_back(c);
    if (c->Width <= 0 || c->Height <= 0) {
      problems.push_back(where + c->Name() + " has no size");
      continue;
    }
    const Box room = inside(c);
    if (c->Left < room.left || c->Top < room.top || c->Left + c->Width > room.right ||
        c->Top + c->Height > room.bottom) {
      problems.push_back(where + c->Name() + " leaves " +
                         (c->Container ? c->Container->Name() : std::string("the form")));
    }
  }
  for (std::size_t i = 0; i < visible.size(); ++i) {
    for (std::size_t k = i + 1; k < visible.size(); ++k) {
      const ui::Control* a = visible[i];
      const ui::Control* b = visible[k];
      if (a->Container != b->Container) continue;
      if (a->Left < b->Left + b->Width && b->Left < a->Left + a->Width &&
          a->Top < b->Top + b->Height && b->Top < a->Top + a->Height) {
        problems.push_back(where + a->Name() + " overlaps " + b->Name());
      }
    }
  }
  return problems;
}

}  // namespace qv::testing
