#include "catalogue/texttree.h"

#include <algorithm>

namespace rastrova::catalogue {

TextTree::Node* TextTree::add(Node* parent, const QString& text, const void* data)
{
    Node& n = nodes_.emplace_back();
    n.text = text;
    n.data = data;
    n.parent = parent;
    n.level = parent ? parent->level + 1 : 0;
    if (parent)
        parent->children.push_back(&n);
    else
        top_.push_back(&n);
    ++alive_;
    return &n;
}

NodeHandle TextTree::addRoot(const ModuleTSK& catalogue)
{
    return add(nullptr, QString(), &catalogue);
}

void TextTree::setRootText(NodeHandle root, const QString& text)
{
    static_cast<Node*>(root)->text = text;
}

NodeHandle TextTree::addGroup(NodeHandle root, const QString& text, const SrrGrObject& group)
{
    return add(static_cast<Node*>(root), text, &group);
}

NodeHandle TextTree::addParameter(NodeHandle groupNode, const QString& text, const CatalogueEntry& entry)
{
    return add(static_cast<Node*>(groupNode), text, &entry);
}

void TextTree::removeNode(NodeHandle handle)
{
    Node* n = static_cast<Node*>(handle);
    if (!n || n->removed)
        return;
    std::vector<Node*>& siblings = n->parent ? n->parent->children : top_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), n), siblings.end());
    // Mark the whole branch; the memory stays so that stale handles stay harmless.
    std::vector<Node*> pending{n};
    while (!pending.empty()) {
        Node* m = pending.back();
        pending.pop_back();
        m->removed = true;
        --alive_;
        pending.insert(pending.end(), m->children.begin(), m->children.end());
        m->children.clear();
    }
}

void TextTree::appendLines(const Node* node, QStringList& out) const
{
    out << QString(node->level * 2, u' ') + node->text;
    for (const Node* child : node->children)
        appendLines(child, out);
}

QStringList TextTree::lines() const
{
    QStringList out;
    for (const Node* n : top_)
        appendLines(n, out);
    return out;
}

int TextTree::nodeCount() const
{
    return alive_;
}

std::vector<const TextTree::Node*> TextTree::topLevel() const
{
    return {top_.begin(), top_.end()};
}

} // namespace rastrova::catalogue
