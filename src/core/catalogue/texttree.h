#pragma once
// A parameter tree kept as text, for the command-line tool and the tests: the
// same nodes the editor's tree gets, written one a line with two blanks of
// indent per level.

#include "catalogue/moduletsk.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

namespace rastrova::catalogue {

class TextTree : public CatalogueTree {
public:
    struct Node {
        QString text;
        int level = 0;
        const void* data = nullptr; // the catalogue, a group or an entry
        Node* parent = nullptr;
        std::vector<Node*> children;
        bool removed = false;
    };

    NodeHandle addRoot(const ModuleTSK& catalogue) override;
    void setRootText(NodeHandle root, const QString& text) override;
    NodeHandle addGroup(NodeHandle root, const QString& text, const SrrGrObject& group) override;
    NodeHandle addParameter(NodeHandle groupNode, const QString& text, const CatalogueEntry& entry) override;
    void removeNode(NodeHandle node) override;

    // Every node in tree order, indented by two blanks per level.
    QStringList lines() const;
    // The nodes that have not been removed.
    int nodeCount() const;
    const Node* node(NodeHandle handle) const { return static_cast<const Node*>(handle); }
    std::vector<const Node*> topLevel() const;

private:
    Node* add(Node* parent, const QString& text, const void* data);
    void appendLines(const Node* node, QStringList& out) const;

    std::deque<Node> nodes_; // stable addresses; removed nodes stay, marked
    std::vector<Node*> top_;
    int alive_ = 0;
};

} // namespace rastrova::catalogue
