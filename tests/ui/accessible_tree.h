#pragma once
// What a screen reader finds in a window: every control the keyboard can reach has a name, and
// no two of them read the same while doing different things.

#include <QAccessible>
#include <QHash>
#include <QStringList>
#include <QWidget>

namespace truco::test {

inline void CollectAccessibilityFaults(QAccessibleInterface* node, const QString& window,
                                       QHash<QString, QString>& seen, QStringList& faults,
                                       int depth = 0) {
  if (!node || !node->isValid() || depth > 40) return;
  const QAccessible::State state = node->state();
  // Controls, that is: the cells and rows of a list or table are its content, and repeat freely.
  if (state.focusable && !state.invisible && node->object() && node->object()->isWidgetType()) {
    const QString name = node->text(QAccessible::Name).trimmed();
    const QString where = window + QStringLiteral(": ") +
                          (node->object() ? node->object()->objectName() : QString()) +
                          QStringLiteral(" (") +
                          (node->object() ? node->object()->metaObject()->className() : "") +
                          QStringLiteral(") in ") +
                          (node->object() && node->object()->parent()
                               ? node->object()->parent()->metaObject()->className()
                               : "");
    const bool empty_label = node->role() == QAccessible::StaticText;  // says and does nothing
    if (name.isEmpty() && !empty_label) {
      faults << where + QStringLiteral(" has no name");
    } else {
      // The same words for two controls are fine only when what they say beyond the name differs.
      const QString key = name + QLatin1Char('\n') + node->text(QAccessible::Description);
      if (seen.contains(key)) {
        faults << where + QStringLiteral(" reads as ") + seen.value(key) + QStringLiteral(": ") +
                      name;
      }
      seen.insert(key, where);
    }
  }
  for (int i = 0; i < node->childCount(); ++i) {
    CollectAccessibilityFaults(node->child(i), window, seen, faults, depth + 1);
  }
}

// The faults of one shown window, one line each; empty when a blind player can use it.
inline QStringList AccessibilityFaults(QWidget* window) {
  QStringList faults;
  QHash<QString, QString> seen;
  CollectAccessibilityFaults(
      QAccessible::queryAccessibleInterface(window),
      window->windowTitle().isEmpty() ? window->objectName() : window->windowTitle(), seen, faults);
  return faults;
}

}  // namespace truco::test
