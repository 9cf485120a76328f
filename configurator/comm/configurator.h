#pragma once
// Everything the window, its pages and the background thread share, with no
// widgets: the form state, the window state, the link and the command thread.
// Tests build it around a fake link and run page operations without a window.
// Which pages there are it learns from installModules.

#include <functional>
#include <memory>

#include "comm/hart_link.h"
#include "comm/link.h"
#include "comm/page_module.h"
#include "comm/thread_commands.h"
#include "model/form_state.h"
#include "model/live_data.h"
#include "model/page_activity.h"
#include "model/window_operations.h"
#include "model/window_state.h"

namespace velk {

class Configurator {
 public:
  using LinkFactory = std::function<std::unique_ptr<HartLink>(WindowState&)>;

  // Must be built on the GUI thread: change notifications are delivered there.
  explicit Configurator(const LinkFactory& makeLink);
  ~Configurator();  // stops the command thread first

  // The pages, whose hooks the command thread calls, and the rules that
  // UpdateControlStates applies. Before the thread starts.
  void installModules(const PageModules& modules, ControlStateRules rules);

  // Writes the environment the link library reads, then starts the command
  // thread. On the GUI thread.
  void start();

  // Writes the environment the link library reads (link_environment.h) for
  // the window's choice of devices. On the GUI thread only: before the
  // command thread starts, or while no port is open and nobody is inside
  // the library. Returns false, writing nothing, while a port is open or
  // the link is in use; the choice then holds from the next call on.
  bool writeLinkEnvironment();

  // Built in this order; the command thread, last, is stopped first.
  WindowState window;
  FormState form;
  WindowOperations operations;
  const std::unique_ptr<HartLink> api;
  Link link;
  LiveData live;
  PageActivity activity;
  ThreadCommands commands;
};

// The program's link: libmirell.so loaded on first use.
Configurator::LinkFactory mirellLibraryLink();

}  // namespace velk
