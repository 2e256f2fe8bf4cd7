#pragma once
// The championship tree on screen (`TreeChamp`): a QTreeWidget kept in step
// with the core's TItemTree. Items are matched one to one, so a change of the
// core tree moves, adds or removes only the items concerned: captions change
// in place and the expansion and the current item survive every change.
//
// A click selects through the core tree (TItemTree::Select, whose OnSelect
// the main window handles); a right click selects first, then asks for the
// item's menu.
//
// Labels are never cut: the one column is as wide as the widest label shown
// (at least as the tree), with a horizontal scroll bar when that is wider.

#include <QTreeWidget>
#include <functional>
#include <unordered_map>

class TItemTree;
class TTreeItem;

class TTreeView : public QTreeWidget {
    Q_OBJECT
public:
    TTreeView(TItemTree* tree, QWidget* parent = nullptr);
    ~TTreeView() override;

    TItemTree* Tree() const { return FTree; }
    QTreeWidgetItem* ViewItem(const TTreeItem* item) const;
    TTreeItem* CoreItem(const QTreeWidgetItem* item) const;

    // A right click on an item (selected already), at a global position.
    std::function<void(TTreeItem* item, const QPoint& globalPos)> OnContextMenu;
    std::function<void()> OnMouseMove;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void updateGeometries() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void Follow(unsigned changes);
    void FitColumn();
    void SyncChildren(TTreeItem* parent, QTreeWidgetItem* viewParent);
    void Forget(QTreeWidgetItem* item);
    void ItemDeleted(TTreeItem* item);
    void UserSelected(QTreeWidgetItem* current);

    TItemTree* FTree;
    int FToken = 0;
    bool FSyncing = false;
    bool FFitting = false;
    std::unordered_map<const TTreeItem*, QTreeWidgetItem*> FItems;
};
