// The condition tree of a BeforeCommand or AfterCommand.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "config/Conditional.h"
#include "config/CfgObject.h"
#include "config/CfgReadContext.h"

// One condition node; copied by value into the tasks that evaluate it, the actions stay shared.
struct Conditional {
  ConditionalType Type = ConditionalType::None;
  std::u16string Parameter;  // comparisons: the parameter name
  std::u16string Value;      // comparisons: the value compared with
  std::vector<Conditional> Children;  // IfAll, IfAny: nested conditions in document order
  std::vector<std::shared_ptr<ConditionalAction>> TrueActions;   // of the IfTrue elements, in document order
  std::vector<std::shared_ptr<ConditionalAction>> FalseActions;  // of the IfFalse elements
};

class CfgConditional final : public CfgObject {
 public:
  using CfgObject::CfgObject;
  // Reads the condition element `element` into `record` (the root condition when none is given).
  kestrova::KVResult Parse(kestrova::XmlElementRef element, CfgReadContext& context);
  kestrova::KVResult Parse(kestrova::XmlElementRef element, Conditional& record, CfgReadContext& context);

  Conditional Condition;
};
