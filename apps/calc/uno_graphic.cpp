#include "uno_graphic.h"

#include <com/sun/star/graphic/GraphicProvider.hpp>
#include <com/sun/star/io/SequenceInputStream.hpp>

#include <vector>

#include "ui/png.h"
#include "uno_text.h"

namespace qv::calc {

css::uno::Reference<css::graphic::XGraphic> GraphicOf(
    const css::uno::Reference<css::uno::XComponentContext>& context, const ui::Picture& picture) {
  const std::vector<std::uint8_t> png = ui::PngBytes(picture);
  const css::beans::PropertyValue stream =
      Named("InputStream",
            css::uno::Any(css::io::SequenceInputStream::createStreamFromSequence(
                context, css::uno::Sequence<sal_Int8>(reinterpret_cast<const sal_Int8*>(png.data()),
                                                      static_cast<sal_Int32>(png.size())))));
  return css::graphic::GraphicProvider::create(context)->queryGraphic(
      css::uno::Sequence<css::beans::PropertyValue>(&stream, 1));
}

}  // namespace qv::calc
