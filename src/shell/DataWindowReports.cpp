#include "shell/DataWindowReports.h"

#include "datawindow/DataWindow.h"
#include "shell/MainWindow.h"

namespace {
DataWindow* WindowOf(int slot) { return gMainWindow ? gMainWindow->WindowAt(slot) : nullptr; }
}  // namespace

void DataWindowReports::CountPoll(int slot) {
  if (DataWindow* window = WindowOf(slot)) window->CountPoll();
}

void DataWindowReports::FillGrid(int slot, const mms::PollDefinition& request,
                                 const uint16_t* readBuffer) {
  (void)request;  // the window lays out its grid from its own poll definition
  if (DataWindow* window = WindowOf(slot)) window->FillGrid(readBuffer);
}

void DataWindowReports::CountError(int slot) {
  if (DataWindow* window = WindowOf(slot)) window->CountError();
}

void DataWindowReports::ShowTimeout(int slot) {
  if (DataWindow* window = WindowOf(slot)) window->ShowTimeout();
}

void DataWindowReports::ShowInvalidReply(int slot) {
  if (DataWindow* window = WindowOf(slot)) window->ShowInvalidReply();
}
