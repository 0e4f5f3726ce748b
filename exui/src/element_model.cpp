#include "element_model.h"

#include <algorithm>

namespace storvane::exui {

int ElementModel::InsertElements(int position, int count) {
  if (count <= 0 || ElementCount() + count > kMaxElements) return 0;
  int at = (position < 0 || position > ElementCount()) ? ElementCount() : position;
  template_.insert(template_.begin() + at, static_cast<size_t>(count), ElemTemplate{});
  for (auto& item : items_) {
    item.insert(item.begin() + std::min<size_t>(at, item.size()), static_cast<size_t>(count), ElemData{});
  }
  return ElementCount();
}

ElemTemplate* ElementModel::Template(int element) {
  if (element < 0 || element >= ElementCount()) return nullptr;
  return &template_[static_cast<size_t>(element)];
}

const ElemTemplate* ElementModel::Template(int element) const {
  return const_cast<ElementModel*>(this)->Template(element);
}

int ElementModel::InsertItem(int position) {
  if (ItemCount() >= kMaxItems) return -1;
  int at = (position < 0 || position > ItemCount()) ? ItemCount() : position;
  items_.insert(items_.begin() + at, std::vector<ElemData>(template_.size()));
  return at;
}

bool ElementModel::DeleteItem(int item) {
  if (item < 0 || item >= ItemCount()) return false;
  items_.erase(items_.begin() + item);
  return true;
}

ElemData* ElementModel::Data(int item, int element) {
  if (item < 0 || item >= ItemCount() || element < 0 || element >= ElementCount()) return nullptr;
  auto& data = items_[static_cast<size_t>(item)];
  if (data.size() < template_.size()) data.resize(template_.size());
  return &data[static_cast<size_t>(element)];
}

const ElemData* ElementModel::Data(int item, int element) const {
  return const_cast<ElementModel*>(this)->Data(item, element);
}

int ElementModel::TitleElement(int item) const {
  for (int e = 0; e < ElementCount(); ++e) {
    const ElemTemplate* t = Template(e);
    const ElemData* d = Data(item, e);
    if (t->kind == ElemKind::kText && d != nullptr && d->display && !d->text.empty()) return e;
  }
  return -1;
}

int ElementModel::ActionElement(int item) const {
  for (int e : Buttons(item)) {
    if (!Data(item, e)->text.empty()) return e;
  }
  return -1;
}

std::vector<int> ElementModel::Texts(int item) const {
  std::vector<int> result;
  for (int e = 0; e < ElementCount(); ++e) {
    const ElemTemplate* t = Template(e);
    const ElemData* d = Data(item, e);
    if (t->kind == ElemKind::kText && d != nullptr && d->display && !d->text.empty() && t->width > 0 && t->height > 0) {
      result.push_back(e);
    }
  }
  return result;
}

std::vector<int> ElementModel::Buttons(int item) const {
  std::vector<int> result;
  for (int e = 0; e < ElementCount(); ++e) {
    const ElemTemplate* t = Template(e);
    const ElemData* d = Data(item, e);
    if (t->kind == ElemKind::kButton && d != nullptr && d->display && t->width > 0 && t->height > 0) {
      result.push_back(e);
    }
  }
  return result;
}

}  // namespace storvane::exui
