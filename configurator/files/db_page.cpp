#include "files/db_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/form_binder.h"
#include "ui/page_context.h"

namespace velk {

namespace {

struct Control {
  const char* name;
  const char* caption;
  bool checkBox = false;
};

struct FileList {
  const char* name;
  const char* caption;
  std::vector<Control> controls;
};

const FileList kLists[] = {
    {"ConfigListBox",
     "Configuration files (all settings can be saved here) :",
     {{"ButtonDBConfSave", "Save"},
      {"ButtonDBConfLoad", "Load"},
      {"ButtonDBConfSearch", "Search ..."},
      {"ButtonDBConfDelete", "Delete"}}},
    {"SigListBox",
     "Signature files (these are saved on the Diagnostics tab) :",
     {{"ButtonDBSigLoad", "Load"},
      {"ButtonDBSigSearch", "Search ..."},
      {"ButtonDBSigDelete", "Delete"},
      {"CheckBoxDBSigAllow", "Allow delete", true}}},
    {"TrendListBox",
     "Trend files (autosaved by the Trend function) :",
     {{"ButtonDBTrendView", "View"},
      {"ButtonDBTrendSearch", "Search ..."},
      {"ButtonDBTrendDelete", "Delete"},
      {"CheckBoxDBTrendShowWeeks", "Show weeks", true},
      {"CheckBoxDBTrendShowDays", "Show days", true}}},
    {"LogListBox",
     "Log files (autosaved by the Log function) :",
     {{"ButtonDBLogView", "View"},
      {"ButtonDBLogSearch", "Search ..."},
      {"ButtonDBLogDelete", "Delete"},
      {"CheckBoxDBLogShowWeeks", "Show weeks", true},
      {"CheckBoxDBLogShowDays", "Show days", true}}},
};

QWidget* createFileList(const FileList& list) {
  auto* box = new QWidget;
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new QLabel(list.caption));
  auto* files = new QListWidget;
  files->setObjectName(list.name);
  layout->addWidget(files, 1);
  auto* row = new QHBoxLayout;
  for (const Control& control : list.controls) {
    QWidget* widget = control.checkBox ? static_cast<QWidget*>(new QCheckBox(control.caption))
                                       : static_cast<QWidget*>(new QPushButton(control.caption));
    widget->setObjectName(control.name);
    row->addWidget(widget);
  }
  row->addStretch(1);
  layout->addLayout(row);
  return box;
}

}  // namespace

QWidget* createDbPage(PageContext& context) {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  for (int i = 0; i < static_cast<int>(std::size(kLists)); ++i)
    grid->addWidget(createFileList(kLists[i]), i % 2, i / 2);
  context.binder.bindNamedChildren(page);
  return page;
}

}  // namespace velk
