// The window's controls by name, indexed once when the window has been built. The language
// table, the field table and the status flags name controls; they resolve here, and a name
// that resolves to nothing, to a control of another kind or to two controls is an error at
// start-up, never a control silently skipped.
#pragma once

#include <QObject>
#include <QString>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

class ControlIndex {
  public:
    /// Every object under root (root included) with a name of its own; Qt's inner parts
    /// ("qt_" names) and unnamed objects are left out. Throws std::logic_error naming every
    /// name that stands twice.
    explicit ControlIndex(QObject* root);

    /// The control of that name, or null.
    QObject* Find(std::string_view name) const;

    /// The control of that name as a T. Throws std::logic_error when there is none or it is
    /// not a T.
    template <typename T>
    T* Get(std::string_view name) const {
        QObject* found = Find(name);
        if (found == nullptr) throw Missing({std::string(name)});
        T* typed = qobject_cast<T*>(found);
        if (typed == nullptr) {
            throw std::logic_error("The control " + std::string(name) + " is a " +
                                   found->metaObject()->className() + ", not a " +
                                   T::staticMetaObject.className() + ".");
        }
        return typed;
    }

    /// Throws std::logic_error naming every one of names that resolves to no control.
    template <typename Names>
    void Require(const Names& names) const {
        std::vector<std::string> missing;
        for (std::string_view name : names) {
            if (!name.empty() && Find(name) == nullptr) missing.emplace_back(name);
        }
        if (!missing.empty()) throw Missing(missing);
    }

  private:
    static std::logic_error Missing(const std::vector<std::string>& names);

    std::map<std::string, QObject*, std::less<>> controls_;
};

}  // namespace ui
