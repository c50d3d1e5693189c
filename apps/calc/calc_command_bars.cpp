#include "calc_command_bars.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexContainer.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XLayoutManager.hpp>
#include <com/sun/star/lang/XSingleComponentFactory.hpp>
#include <com/sun/star/ui/ImageType.hpp>
#include <com/sun/star/ui/ItemStyle.hpp>
#include <com/sun/star/ui/ItemType.hpp>
#include <com/sun/star/ui/XImageManager.hpp>
#include <com/sun/star/ui/XUIConfigurationManager.hpp>
#include <com/sun/star/ui/theModuleUIConfigurationManagerSupplier.hpp>

#include <algorithm>
#include <charconv>
#include <vector>

#include "uno_graphic.h"
#include "uno_text.h"

namespace qv::calc {

using namespace css;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;

namespace {

const rtl::OUString kMenuBar("private:resource/menubar/menubar");

uno::Sequence<beans::PropertyValue> Item(const rtl::OUString& command, const rtl::OUString& label,
                                         sal_Int16 type, const uno::Any& children = {},
                                         sal_Int16 style = 0) {
  std::vector<beans::PropertyValue> props;
  const auto add = [&](const char* name, const uno::Any& value) {
    props.push_back(Named(name, value));
  };
  add("CommandURL", uno::Any(command));
  add("Label", uno::Any(label));
  add("Type", uno::Any(type));
  if (children.hasValue()) add("ItemDescriptorContainer", children);
  if (style) add("Style", uno::Any(style));
  return uno::Sequence<beans::PropertyValue>(props.data(), static_cast<sal_Int32>(props.size()));
}

rtl::OUString CommandUrlOf(const uno::Sequence<beans::PropertyValue>& item) {
  for (sal_Int32 i = 0; i < item.getLength(); ++i) {
    rtl::OUString url;
    if (item[i].Name == "CommandURL" && (item[i].Value >>= url)) return url;
  }
  return {};
}

bool Ours(const rtl::OUString& command) {
  return command.startsWith(ToUno(CalcCommandBars::kProtocol));
}

// Calls `visit` for every control inside `controls`, popups' controls included.
template <typename F>
void Walk(host::CommandBarControls& controls, F&& visit) {
  for (int i = 1; i <= controls.Count(); ++i) {
    host::CommandBarControl& c = controls.Item(i);
    visit(c);
    if (c.Type() == host::ControlType::Popup) Walk(c.Controls(), visit);
  }
}

}  // namespace

void CalcCommandBars::ShowFaces(const Reference<uno::XComponentContext>& context,
                                const Reference<css::ui::XUIConfigurationManager>& config,
                                host::CommandBarControls& buttons) {
  const Reference<css::ui::XImageManager> images(config->getImageManager(), UNO_QUERY_THROW);
  for (int i = 1; i <= buttons.Count(); ++i) {
    host::CommandBarControl& c = buttons.Item(i);
    if (c.Type() != host::ControlType::Button) continue;
    const ui::Picture& face = host::MemoryCommandBars::FaceOf(c);
    if (face.Pixels.empty()) continue;
    const Reference<graphic::XGraphic> picture = GraphicOf(context, face);
    const rtl::OUString command = ToUno(CommandOf(c));
    const uno::Sequence<rtl::OUString> commands(&command, 1);
    const uno::Sequence<Reference<graphic::XGraphic>> pictures(&picture, 1);
    if (images->hasImage(css::ui::ImageType::SIZE_DEFAULT, command))
      images->replaceImages(css::ui::ImageType::SIZE_DEFAULT, commands, pictures);
    else
      images->insertImages(css::ui::ImageType::SIZE_DEFAULT, commands, pictures);
  }
}

std::string CalcCommandBars::ToolbarUrl(const std::string& barName) {
  // A toolbar of a user's own has a name that starts "custom_" and holds letters and digits.
  std::string name = "custom_";
  for (const char c : barName) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return "private:resource/toolbar/" + name;
}

std::string CalcCommandBars::CommandOf(const host::CommandBarControl& control) {
  auto [it, added] = numbers_.try_emplace(&control, lastNumber_ + 1);
  if (added) ++lastNumber_;
  return std::string(kProtocol) + std::to_string(it->second);
}

host::CommandBarControl* CalcCommandBars::Find(std::string_view command) {
  int number = 0;
  const auto [end, ec] = std::from_chars(command.data(), command.data() + command.size(), number);
  if (ec != std::errc() || end != command.data() + command.size()) return nullptr;
  host::CommandBarControl* found = nullptr;
  for (int b = 1; b <= bars_.Count() && !found; ++b) {
    Walk(bars_.Item(b).Controls(), [&](host::CommandBarControl& c) {
      const auto it = numbers_.find(&c);
      if (!found && it != numbers_.end() && it->second == number) found = &c;
    });
  }
  return found;
}

void CalcCommandBars::Publish(const Reference<uno::XComponentContext>& context) {
  ForgetGoneControls();
  const Reference<css::ui::XUIConfigurationManager> config =
      css::ui::theModuleUIConfigurationManagerSupplier::get(context)->getUIConfigurationManager(
          rtl::OUString::createFromAscii(kModule));
  PublishMenus(context, config);
  PublishToolbars(context, config);
  ShowToolbars(context);
}

void CalcCommandBars::ForgetGoneControls() {
  std::set<const host::CommandBarControl*> live;
  for (int b = 1; b <= bars_.Count(); ++b)
    Walk(bars_.Item(b).Controls(), [&](host::CommandBarControl& c) { live.insert(&c); });
  std::erase_if(numbers_, [&](const auto& entry) { return !live.count(entry.first); });
}

void CalcCommandBars::Fill(host::CommandBarControls& controls,
                           const Reference<container::XIndexContainer>& into, sal_Int16 style) {
  for (int i = 1; i <= controls.Count(); ++i) {
    host::CommandBarControl& c = controls.Item(i);
    if (!c.Visible()) continue;
    if (c.BeginGroup() && into->getCount() > 0) {
      into->insertByIndex(into->getCount(),
                          uno::Any(Item({}, {}, css::ui::ItemType::SEPARATOR_LINE)));
    }
    into->insertByIndex(into->getCount(),
                        uno::Any(Item(ToUno(CommandOf(c)), ToUno(Mnemonics(c.Caption())),
                                      css::ui::ItemType::DEFAULT, {}, style)));
  }
}

void CalcCommandBars::PublishMenus(const Context& context, const Config& config) {
  const Reference<container::XIndexContainer> menus(config->getSettings(kMenuBar, true),
                                                    UNO_QUERY_THROW);
  // The menu bar's settings make the containers of its menus' entries.
  const Reference<lang::XSingleComponentFactory> factory(menus, UNO_QUERY_THROW);
  for (sal_Int32 i = menus->getCount() - 1; i >= 0; --i) {
    uno::Sequence<beans::PropertyValue> item;
    if ((menus->getByIndex(i) >>= item) && Ours(CommandUrlOf(item))) menus->removeByIndex(i);
  }
  host::CommandBarControls& top = bars_.Item(1).Controls();
  for (int i = 1; i <= top.Count(); ++i) {
    host::CommandBarControl& c = top.Item(i);
    if (c.Id() != 1 || !c.Visible() || c.Type() != host::ControlType::Popup) continue;
    const Reference<container::XIndexContainer> entries(factory->createInstanceWithContext(context),
                                                        UNO_QUERY_THROW);
    Fill(c.Controls(), entries, 0);
    const sal_Int32 fromEnd = top.Count() - i;
    menus->insertByIndex(std::max<sal_Int32>(0, menus->getCount() - fromEnd),
                         uno::Any(Item(ToUno(CommandOf(c)), ToUno(Mnemonics(c.Caption())),
                                       css::ui::ItemType::DEFAULT, uno::Any(entries))));
  }
  config->replaceSettings(kMenuBar, Reference<container::XIndexAccess>(menus.get()));
}

void CalcCommandBars::PublishToolbars(const Context& context, const Config& config) {
  std::set<std::string> published;
  for (int b = 2; b <= bars_.Count(); ++b) {
    host::CommandBar& bar = bars_.Item(b);
    const std::string url = ToolbarUrl(bar.Name());
    const Reference<container::XIndexContainer> buttons(config->createSettings(), UNO_QUERY_THROW);
    Reference<beans::XPropertySet>(buttons, UNO_QUERY_THROW)
        ->setPropertyValue("UIName", uno::Any(ToUno(bar.Name())));
    Fill(bar.Controls(), buttons, css::ui::ItemStyle::ICON | css::ui::ItemStyle::TEXT);
    ShowFaces(context, config, bar.Controls());
    if (config->hasSettings(ToUno(url)))
      config->replaceSettings(ToUno(url), Reference<container::XIndexAccess>(buttons.get()));
    else
      config->insertSettings(ToUno(url), Reference<container::XIndexAccess>(buttons.get()));
    published.insert(url);
  }
  for (const std::string& gone : toolbars_) {
    if (!published.count(gone) && config->hasSettings(ToUno(gone)))
      config->removeSettings(ToUno(gone));
  }
  toolbars_ = published;
}

void CalcCommandBars::ShowToolbars(const Context& context) {
  const Reference<frame::XFrame> frame = frame::Desktop::create(context)->getCurrentFrame();
  if (!frame.is()) return;
  Reference<frame::XLayoutManager> layout;
  Reference<beans::XPropertySet>(frame, UNO_QUERY_THROW)->getPropertyValue("LayoutManager") >>=
      layout;
  if (!layout.is()) return;
  for (int b = 2; b <= bars_.Count(); ++b) {
    const rtl::OUString url = ToUno(ToolbarUrl(bars_.Item(b).Name()));
    layout->createElement(url);
    if (bars_.Item(b).Visible()) layout->showElement(url);
  }
}

}  // namespace qv::calc
