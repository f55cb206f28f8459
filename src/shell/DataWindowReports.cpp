#include "shell/DataWindowReports.h"

#include "datawindow/Ti.h"
#include "shell/MainForm.h"

namespace {
Ti* WindowOf(int slot) { return MainForm ? MainForm->DataWindow(slot) : nullptr; }
}  // namespace

void DataWindowReports::CountPoll(int slot) {
  if (Ti* window = WindowOf(slot)) window->CountPoll();
}

void DataWindowReports::FillGrid(int slot, const mms::PollDefinition& request,
                                 const uint16_t* readBuffer) {
  (void)request;  // the window lays out its grid from its own poll definition
  if (Ti* window = WindowOf(slot)) window->FillGrid(readBuffer);
}

void DataWindowReports::CountError(int slot) {
  if (Ti* window = WindowOf(slot)) window->CountError();
}

void DataWindowReports::ShowTimeout(int slot) {
  if (Ti* window = WindowOf(slot)) window->ShowTimeout();
}

void DataWindowReports::ShowInvalidReply(int slot) {
  if (Ti* window = WindowOf(slot)) window->ShowInvalidReply();
}
