#include "cfgtree/Config.h"

#include "DomNodes.h"
#include "SelectionPath.h"
#include "XmlFile.h"
#include "jotter/Jotter.h"
#include "spindle/VLock.h"
#include "textcodec/AsciiText.h"

using cfgtree::Document;

struct Config::State {
    Document document;
    xmlNodePtr root = nullptr;
    xmlNodePtr lastNode = nullptr;  // anchor of addNode(name, ...), addChild, addNodeAttr
    xmlNodePtr lastChild = nullptr; // anchor of addChildAttr
    xmlNodePtr cursor = nullptr;    // current node of the cursor walk
    bool open = false;
    std::string path;
    cfgtree::FileLayout layout; // of the file loaded, kept by every save

    void take(Document loaded, const cfgtree::FileLayout& loadedLayout)
    {
        document = std::move(loaded);
        layout = loadedLayout;
        root = xmlDocGetRootElement(document.get());
        lastNode = lastChild = cursor = nullptr;
    }

    xmlNodePtr requireRoot() const
    {
        if (root == nullptr)
            throw ConfigError(ConfigError::Code::NoDocument, "the XML document is not open");
        return root;
    }

    xmlNodePtr find(const char* nodePath) const
    {
        return cfgtree::selectSingleNode(requireRoot(), nodePath);
    }

    xmlNodePtr findItem(const char* nodePath, int index) const
    {
        xmlNodePtr from = requireRoot();
        if (index < 0)
            return nullptr;
        auto nodes = cfgtree::selectNodes(from, nodePath, static_cast<std::size_t>(index) + 1);
        return nodes.size() > static_cast<std::size_t>(index) ? nodes[index] : nullptr;
    }

    // Forgets every anchor inside a subtree that is about to be freed.
    void forgetWithin(const xmlNode* subtree)
    {
        for (xmlNodePtr* anchor : {&lastNode, &lastChild, &cursor})
            if (cfgtree::isWithin(*anchor, subtree))
                *anchor = nullptr;
    }

    void destroy(xmlNodePtr node)
    {
        forgetWithin(node);
        xmlUnlinkNode(node);
        xmlFreeNode(node);
    }

    // A text node of indentation: its line ends are kept as LF in the tree,
    // like the file's own, and a save writes them as the file has them.
    xmlNodePtr newText(const char* text) const
    {
        const std::string lines = cfgtree::withLfLineEnds(text);
        xmlNodePtr node = xmlNewDocText(document.get(), reinterpret_cast<const xmlChar*>(lines.c_str()));
        if (node == nullptr)
            outOfMemory();
        return node;
    }

    // Puts node under parent: before ref when ref is given, else at the end.
    static void place(xmlNodePtr parent, xmlNodePtr node, xmlNodePtr ref)
    {
        if (ref != nullptr)
            xmlAddPrevSibling(ref, node);
        else
            xmlAddChild(parent, node);
    }

    // The common work of the add operations: the before text, a new element
    // name with text, the after text. Returns the element, or nullptr when
    // an argument cannot be stored.
    xmlNodePtr appendElement(xmlNodePtr parent, const char* name, const char* text,
                             const char* before, const char* after, xmlNodePtr ref = nullptr)
    {
        if (!cfgtree::isStorableName(name))
            return nullptr;
        const std::string content = storable(text, name);
        const std::string indentBefore = storable(before, name);
        const std::string indentAfter = storable(after, name);
        xmlNodePtr element =
            xmlNewDocNode(document.get(), nullptr, reinterpret_cast<const xmlChar*>(name), nullptr);
        if (element == nullptr || !cfgtree::replaceText(element, content.c_str())) {
            xmlFreeNode(element);
            outOfMemory();
        }
        if (!indentBefore.empty())
            place(parent, newText(indentBefore.c_str()), ref);
        place(parent, element, ref);
        if (!indentAfter.empty())
            place(parent, newText(indentAfter.c_str()), ref);
        return element;
    }

    // Adds the element under parent (0 when parent is absent or an argument
    // cannot be stored) and makes it the given anchor.
    int addElement(xmlNodePtr parent, const char* name, const char* text, const char* before,
                   const char* after, xmlNodePtr& anchor, xmlNodePtr ref = nullptr)
    {
        if (parent == nullptr)
            return 0;
        xmlNodePtr element = appendElement(parent, name, text, before, after, ref);
        if (element == nullptr)
            return 0;
        anchor = element;
        return 1;
    }

    static int putAttribute(xmlNodePtr element, const char* name, const char* value)
    {
        if (element == nullptr || !cfgtree::isStorableName(name))
            return 0;
        if (!cfgtree::putAttribute(element, name, storable(value, name).c_str()))
            outOfMemory();
        return 1;
    }

    // A text as the document can hold it: what XML cannot hold is replaced
    // (see cfgtree::storableText), never refused, so that one odd character
    // in a fax's title or a pasted contact costs nothing but itself. One log
    // line tells of each value that changed.
    static std::string storable(const char* text, const char* where)
    {
        if (cfgtree::isStorableText(text))
            return text == nullptr ? std::string() : std::string(text);
        cfgtree::StorableText made = cfgtree::storableText(text);
        cpLog(kLogFailure, "XML: %zu characters of a value of %s cannot be stored (%s): written as spaces, bytes as U+FFFD",
              made.replaced, where, made.what.c_str());
        return std::move(made.text);
    }

    [[noreturn]] static void outOfMemory()
    {
        throw ConfigError(ConfigError::Code::OutOfMemory, "out of memory in the XML document");
    }
};

namespace {

int found(bool result) { return result ? 1 : 0; }

} // namespace

Config::Config() : state_(std::make_unique<State>())
{
    initCOM();
}

Config::~Config() = default;

int Config::initCOM()
{
    cfgtree::prepareXmlLibrary();
    return 1;
}

void Config::deInitCOM() {}

int Config::open(const char* file)
{
    Spindle::VLock guard(mutex_);
    if (file == nullptr || *file == '\0')
        return 0;
    cfgtree::FileLayout layout;
    Document loaded = cfgtree::loadDocument(file, layout);
    if (!loaded)
        return 0;
    state_->take(std::move(loaded), layout);
    state_->open = true;
    state_->path = file;
    return 1;
}

int Config::reload()
{
    Spindle::VLock guard(mutex_);
    if (!state_->open)
        return 0;
    cfgtree::FileLayout layout;
    Document loaded = cfgtree::loadDocument(state_->path, layout);
    if (!loaded)
        return 0;
    state_->take(std::move(loaded), layout);
    return 1;
}

int Config::save(const char* file)
{
    Spindle::VLock guard(mutex_);
    if (!state_->document || file == nullptr || *file == '\0')
        return 0;
    return found(cfgtree::saveDocument(state_->document.get(), state_->layout, file));
}

int Config::save()
{
    Spindle::VLock guard(mutex_);
    if (state_->path.empty())
        return 0;
    return save(state_->path.c_str());
}

int Config::isOpen()
{
    Spindle::VLock guard(mutex_);
    return found(state_->open);
}

int Config::getNodeCnt(const char* path)
{
    Spindle::VLock guard(mutex_);
    return TextCodec::clampToInt(static_cast<long>(cfgtree::selectNodes(state_->requireRoot(), path).size()));
}

int Config::getNodeText(const char* path, std::string& out)
{
    Spindle::VLock guard(mutex_);
    out.clear();
    xmlNodePtr node = state_->find(path);
    if (node == nullptr)
        return 0;
    out = cfgtree::nodeText(node);
    return 1;
}

int Config::getNodeText(const char* path, int index, std::string& out)
{
    Spindle::VLock guard(mutex_);
    out.clear();
    xmlNodePtr node = state_->findItem(path, index);
    if (node == nullptr)
        return 0;
    out = cfgtree::nodeText(node);
    return 1;
}

int Config::getNodeTextInt(const char* path)
{
    std::string value;
    getNodeText(path, value);
    return TextCodec::clampToInt(TextCodec::leadingDecimal(value));
}

int Config::setNodeText(const char* path, const char* value)
{
    Spindle::VLock guard(mutex_);
    xmlNodePtr node = state_->find(path);
    if (node == nullptr)
        return 0;
    const std::string text = State::storable(value, reinterpret_cast<const char*>(node->name));
    // The old content goes, and with it any anchor inside it.
    for (xmlNodePtr child = node->children; child != nullptr; child = child->next)
        state_->forgetWithin(child);
    if (!cfgtree::replaceText(node, text.c_str()))
        State::outOfMemory();
    return 1;
}

int Config::getNodeAttr(const char* path, const char* name, std::string& out)
{
    Spindle::VLock guard(mutex_);
    out.clear();
    xmlAttrPtr attribute = cfgtree::findAttribute(state_->find(path), name);
    if (attribute == nullptr)
        return 0;
    out = cfgtree::attributeValue(attribute);
    return 1;
}

int Config::getNodeAttr(const char* path, int index, const char* name, std::string& out)
{
    Spindle::VLock guard(mutex_);
    out.clear();
    xmlAttrPtr attribute = cfgtree::findAttribute(state_->findItem(path, index), name);
    if (attribute == nullptr)
        return 0;
    out = cfgtree::attributeValue(attribute);
    return 1;
}

int Config::getNodesAttr(const char* path, const std::vector<std::string>& names,
                         std::vector<std::vector<std::string>>& rows)
{
    Spindle::VLock guard(mutex_);
    rows.clear();
    const std::vector<xmlNodePtr> nodes = cfgtree::selectNodes(state_->requireRoot(), path);
    rows.reserve(nodes.size());
    for (xmlNodePtr node : nodes) {
        std::vector<std::string>& row = rows.emplace_back();
        row.reserve(names.size());
        for (const std::string& name : names) {
            xmlAttrPtr attribute = cfgtree::findAttribute(node, name.c_str());
            row.push_back(attribute == nullptr ? std::string() : cfgtree::attributeValue(attribute));
        }
    }
    return TextCodec::clampToInt(static_cast<long>(rows.size()));
}

namespace {

std::vector<std::optional<std::string>> attributesOf(xmlNodePtr node, const std::vector<std::string>& names)
{
    std::vector<std::optional<std::string>> values;
    values.reserve(names.size());
    for (const std::string& name : names) {
        xmlAttrPtr attribute = cfgtree::findAttribute(node, name.c_str());
        values.push_back(attribute == nullptr ? std::nullopt : std::optional(cfgtree::attributeValue(attribute)));
    }
    return values;
}

} // namespace

int Config::getNodesWithChildren(const char* path, const std::vector<std::string>& names, const char* childPath,
                                 const std::vector<std::string>& childNames, std::vector<NodeAttributes>& nodes,
                                 std::size_t limit)
{
    Spindle::VLock guard(mutex_);
    nodes.clear();
    const std::vector<xmlNodePtr> selected = cfgtree::selectNodes(state_->requireRoot(), path, limit);
    nodes.reserve(selected.size());
    for (xmlNodePtr node : selected) {
        NodeAttributes& read = nodes.emplace_back();
        read.values = attributesOf(node, names);
        for (xmlNodePtr child : cfgtree::selectNodes(node, childPath))
            read.children.push_back(attributesOf(child, childNames));
    }
    return TextCodec::clampToInt(static_cast<long>(nodes.size()));
}

std::string Config::getNodeAttr(const char* path, const char* name)
{
    std::string value;
    getNodeAttr(path, name, value);
    return value;
}

int Config::getNodeAttrInt(const char* path, const char* name)
{
    return TextCodec::clampToInt(getNodeAttrLong(path, name));
}

long Config::getNodeAttrLong(const char* path, const char* name)
{
    return TextCodec::leadingDecimal(getNodeAttr(path, name));
}

int Config::hasNodeAttr(const char* path, const char* name)
{
    Spindle::VLock guard(mutex_);
    return found(cfgtree::findAttribute(state_->find(path), name) != nullptr);
}

int Config::setNodeAttr(const char* path, const char* name, const char* value)
{
    Spindle::VLock guard(mutex_);
    xmlNodePtr node = state_->find(path);
    if (cfgtree::findAttribute(node, name) == nullptr)
        return 0;
    return State::putAttribute(node, name, value);
}

int Config::addNode(const char* parent, const char* name, const char* value, const char* before,
                    const char* after)
{
    Spindle::VLock guard(mutex_);
    xmlNodePtr under = parent == nullptr ? state_->requireRoot() : state_->find(parent);
    return state_->addElement(under, name, value, before, after, state_->lastNode);
}

int Config::addNode(const char* name, const char* value, const char* before, const char* after)
{
    Spindle::VLock guard(mutex_);
    return state_->addElement(state_->lastNode, name, value, before, after, state_->lastNode);
}

int Config::addChild(const char* name, const char* value, const char* before, const char* after)
{
    Spindle::VLock guard(mutex_);
    return state_->addElement(state_->lastNode, name, value, before, after, state_->lastChild);
}

int Config::insertNode(const char* parent, const char* name, const char* value,
                       const char* before, const char* after, const char* refPath)
{
    Spindle::VLock guard(mutex_);
    xmlNodePtr under = parent == nullptr ? state_->requireRoot() : state_->find(parent);
    xmlNodePtr ref = refPath == nullptr || under == nullptr ? nullptr : state_->find(refPath);
    if (ref != nullptr && ref->parent != under)
        ref = nullptr;
    return state_->addElement(under, name, value, before, after, state_->lastNode, ref);
}

int Config::addNodeAttr(const char* name, const char* value)
{
    Spindle::VLock guard(mutex_);
    return State::putAttribute(state_->lastNode, name, value);
}

int Config::addChildAttr(const char* name, const char* value)
{
    Spindle::VLock guard(mutex_);
    return State::putAttribute(state_->lastChild, name, value);
}

int Config::addNodeAttr(const char* path, const char* name, const char* value)
{
    Spindle::VLock guard(mutex_);
    return State::putAttribute(state_->find(path), name, value);
}

int Config::createNodeAttr(const char* path, const char* name)
{
    Spindle::VLock guard(mutex_);
    return State::putAttribute(state_->find(path), name, "");
}

int Config::removeNode(const char* path)
{
    Spindle::VLock guard(mutex_);
    xmlNodePtr node = state_->find(path);
    if (node == nullptr)
        return 0;
    state_->destroy(node);
    return 1;
}

int Config::removeAllChild(const char* path)
{
    Spindle::VLock guard(mutex_);
    xmlNodePtr node = path == nullptr ? state_->requireRoot() : state_->find(path);
    if (node == nullptr)
        return 0;
    while (node->children != nullptr)
        state_->destroy(node->children);
    return 1;
}

int Config::setCurNode(const char* path)
{
    Spindle::VLock guard(mutex_);
    xmlNodePtr node = state_->find(path);
    if (node == nullptr)
        return 0;
    state_->cursor = node;
    return 1;
}

int Config::goChild(int index)
{
    Spindle::VLock guard(mutex_);
    if (state_->cursor == nullptr || index < 0)
        return 0;
    auto children = cfgtree::walkableChildren(state_->cursor);
    if (static_cast<std::size_t>(index) >= children.size())
        return 0;
    state_->cursor = children[index];
    return 1;
}

int Config::goChild(const char* path)
{
    Spindle::VLock guard(mutex_);
    if (state_->cursor == nullptr)
        return 0;
    xmlNodePtr node = cfgtree::selectSingleNode(state_->cursor, path);
    if (node == nullptr)
        return 0;
    state_->cursor = node;
    return 1;
}

int Config::goParent()
{
    Spindle::VLock guard(mutex_);
    xmlNodePtr cursor = state_->cursor;
    if (cursor == nullptr)
        return 0;
    if (cursor->type == XML_DOCUMENT_NODE || cursor->parent == nullptr)
        throw ConfigError(ConfigError::Code::NoParent, "the document node has no parent");
    state_->cursor = cursor->parent;
    return 1;
}

int Config::getAttr(const char* name, std::string& out)
{
    Spindle::VLock guard(mutex_);
    out.clear();
    xmlAttrPtr attribute = cfgtree::findAttribute(state_->cursor, name);
    if (attribute == nullptr)
        return 0;
    out = cfgtree::attributeValue(attribute);
    return 1;
}

int Config::getChildNum()
{
    Spindle::VLock guard(mutex_);
    if (state_->cursor == nullptr)
        return -1;
    return TextCodec::clampToInt(static_cast<long>(cfgtree::walkableChildren(state_->cursor).size()));
}
