#pragma once

#include <com/sun/star/graphic/XGraphic.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include "ui/picture.h"

namespace qv::calc {

// A picture of the add-in as the office's graphic, for a toolbar's face or a dialog's image.
css::uno::Reference<css::graphic::XGraphic> GraphicOf(
    const css::uno::Reference<css::uno::XComponentContext>& context, const ui::Picture& picture);

}  // namespace qv::calc
