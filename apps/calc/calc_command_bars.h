#pragma once

#include <com/sun/star/container/XIndexContainer.hpp>
#include <com/sun/star/ui/XUIConfigurationManager.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <map>
#include <set>
#include <string>
#include <string_view>

#include "host/memory_command_bars.h"

namespace qv::calc {

// The add-in's command bars as Calc shows them. The add-in builds them in memory, as for any host
// without bars of its own; Publish mirrors them into Calc: the menus it added to the worksheet
// menu bar go into Calc's menu bar at the same distance from its end, and each bar it added
// becomes a toolbar. Each control is the command "vnd.quorvalent:N", which clicks it.
class CalcCommandBars {
 public:
  static constexpr std::string_view kProtocol = "vnd.quorvalent:";
  // The kind of document whose menus and toolbars carry the add-in's.
  static constexpr const char* kModule = "com.sun.star.sheet.SpreadsheetDocument";

  host::CommandBars& Bars() { return bars_; }
  // Makes Calc's menus and toolbars show the bars as they are now.
  void Publish(const css::uno::Reference<css::uno::XComponentContext>& context);
  // The control a command names (what follows the protocol); nullptr when there is none now.
  host::CommandBarControl* Find(std::string_view command);
  // The resource name of the toolbar that shows the bar of that name.
  static std::string ToolbarUrl(const std::string& barName);

 private:
  using Context = css::uno::Reference<css::uno::XComponentContext>;
  using Config = css::uno::Reference<css::ui::XUIConfigurationManager>;
  // Forgets the numbers of controls that are gone, so that no command names a new control that
  // took an old one's place in memory.
  void ForgetGoneControls();
  // The entries of a popup or the buttons of a bar, with a separator before each that begins a
  // group.
  void Fill(host::CommandBarControls& controls,
            const css::uno::Reference<css::container::XIndexContainer>& into, sal_Int16 style);
  // Calc's menu bar: its own menus, with the add-in's where the add-in put them.
  void PublishMenus(const Context& context, const Config& config);
  // Each bar but the menu bar as a toolbar, with its buttons as icon and caption.
  void PublishToolbars(const Context& context, const Config& config);
  // Shows the toolbars that are visible in the window the user works in.
  void ShowToolbars(const Context& context);
  // Gives the buttons among `buttons` their faces, as the toolbars' images of their commands.
  void ShowFaces(const css::uno::Reference<css::uno::XComponentContext>& context,
                 const css::uno::Reference<css::ui::XUIConfigurationManager>& config,
                 host::CommandBarControls& buttons);
  // The command of a control: its number, given the first time it is published and kept.
  std::string CommandOf(const host::CommandBarControl& control);

  host::MemoryCommandBars bars_;
  std::map<const host::CommandBarControl*, int> numbers_;
  int lastNumber_ = 0;
  std::set<std::string> toolbars_;  // the toolbars published so far
};

}  // namespace qv::calc
