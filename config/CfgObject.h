// Common base of the configuration objects. The tree is built once by Cfg::Load and only read afterwards;
// objects are held by shared pointers, parents by plain pointers (a parent outlives its children).
#pragma once
#include <string>
#include <utility>

class CfgObject {
 public:
  CfgObject(CfgObject* parent, std::u16string id) : Parent(parent), Id(std::move(id)) {}
  virtual ~CfgObject() = default;
  CfgObject(const CfgObject&) = delete;
  CfgObject& operator=(const CfgObject&) = delete;

  CfgObject* Parent;  // the object whose element contains this one; null for Cfg
  std::u16string Id;  // the lower-cased Id of an option or command; empty for the others
};
