#include "ui/control_index.h"

namespace ui {

ControlIndex::ControlIndex(QObject* root) {
    std::vector<std::string> twice;
    QList<QObject*> objects = root->findChildren<QObject*>();
    objects.prepend(root);
    for (QObject* object : objects) {
        const QString name = object->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_"))) continue;
        const auto [place, added] = controls_.try_emplace(name.toStdString(), object);
        if (!added) twice.push_back(place->first);
    }
    if (!twice.empty()) {
        std::string names;
        for (const std::string& name : twice) names += (names.empty() ? "" : ", ") + name;
        throw std::logic_error("More than one control is named " + names + ".");
    }
}

QObject* ControlIndex::Find(std::string_view name) const {
    const auto found = controls_.find(name);
    return found == controls_.end() ? nullptr : found->second;
}

std::logic_error ControlIndex::Missing(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
    return std::logic_error("The window has no control named " + list + ".");
}

}  // namespace ui
