// One table of a scene: references to components of one kind, addressed by
// their 16-bit index.
#pragma once

#include <windows.h>

#include <cstddef>
#include <new>

namespace tavorin::scene {

// `count` components in the first slots of an array of `capacity` slots.
// The table holds one reference per non-null slot. Capacity is fixed by the
// file's count chunk; editing may grow it one slot at a time.
template <class Component>
class SceneTable {
 public:
  SceneTable() = default;
  SceneTable(const SceneTable&) = delete;
  SceneTable& operator=(const SceneTable&) = delete;
  ~SceneTable() { Clear(); }

  WORD Count() const { return m_count; }
  WORD Capacity() const { return m_capacity; }
  bool Allocated() const { return m_slots != nullptr; }
  bool Contains(WORD index) const { return index < m_count; }
  Component* operator[](WORD index) const { return m_slots[index]; }
  Component** Slots() const { return m_slots; }

  // Releases every component and the array.
  void Clear() {
    for (WORD i = 0; i < m_count; ++i) {
      if (m_slots[i] != nullptr) m_slots[i]->Release();
    }
    delete[] m_slots;
    m_slots = nullptr;
    m_count = m_capacity = 0;
  }

  // Installs an empty array of `capacity` slots in place of whatever was
  // there. E_OUTOFMEMORY keeps the table empty.
  HRESULT Allocate(WORD capacity) {
    Clear();
    // One slot at least, so an allocated table is told from a missing one.
    m_slots = new (std::nothrow) Component*[capacity == 0 ? 1 : capacity]();
    if (m_slots == nullptr) return E_OUTOFMEMORY;
    m_capacity = capacity;
    return S_OK;
  }

  // The next free slot, or null when the table is full.
  Component** NextSlot() { return m_count < m_capacity ? &m_slots[m_count] : nullptr; }
  // Counts the slot NextSlot gave, filled or not.
  void CommitSlot() { ++m_count; }

  // Makes room for one more component at the end. E_OUTOFMEMORY keeps the
  // table as it was; E_FAIL when the 16-bit index space is used up.
  HRESULT Grow() {
    if (m_count < m_capacity) return S_OK;
    if (m_capacity == 0xFFFF) return E_FAIL;
    const WORD capacity = WORD(m_capacity + 1);
    Component** slots = new (std::nothrow) Component*[capacity]();
    if (slots == nullptr) return E_OUTOFMEMORY;
    for (WORD i = 0; i < m_count; ++i) slots[i] = m_slots[i];
    delete[] m_slots;
    m_slots = slots;
    m_capacity = capacity;
    return S_OK;
  }

  // Releases one component and moves the later ones down.
  void RemoveAt(WORD index) {
    if (m_slots[index] != nullptr) m_slots[index]->Release();
    for (WORD i = index; i + 1 < m_count; ++i) m_slots[i] = m_slots[i + 1];
    m_slots[--m_count] = nullptr;
  }

  void Swap(WORD a, WORD b) {
    Component* held = m_slots[a];
    m_slots[a] = m_slots[b];
    m_slots[b] = held;
  }

 private:
  Component** m_slots = nullptr;
  WORD m_count = 0;
  WORD m_capacity = 0;
};

}  // namespace tavorin::scene
