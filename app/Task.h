// A unit of work of a run; the worker thread runs the task list in order.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/ErrorCodes.h"

class ParameterStore;

class Task {
 public:
  Task(std::u16string taskName, ParameterStore* parameterStore)
      : parameters(parameterStore), name(std::move(taskName)) {}
  virtual ~Task() = default;
  Task(const Task&) = delete;
  Task& operator=(const Task&) = delete;

  // Called once, on the worker thread. 0 is success.
  virtual kestrova::KVResult Run() = 0;

  ParameterStore* parameters;  // the App's store; not owned
  std::u16string name;
  std::u16string target;
  bool hidden = false;                   // the progress dialog is hidden while this task runs
  std::uint32_t minimumDurationMs = 0;   // honoured after a successful run
  bool alwaysRun = false;                // runs even after a failure or an abort
};

using TaskList = std::vector<std::shared_ptr<Task>>;

// Names fixed per kind of task (a launch task is named after its command).
inline constexpr char16_t kExtractFilesName[] = u"extract_files";
inline constexpr char16_t kDeleteExtractedFilesName[] = u"delete_extracted_files";
