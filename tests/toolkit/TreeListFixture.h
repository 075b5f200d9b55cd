#pragma once
// The fixture of the tree-list tests: the headless backend, a tree whose nodes carry a name and a
// sort key, set up like the results tree (tri-state file rows, plain stream rows, all checked),
// and helpers that build files with streams and read the rows back as names.

#include "platform/headless/HeadlessBackend.h"
#include "toolkit/TreeList.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

struct TTestRow {
    std::wstring name;
    int key = 0;
};

class TreeListTest : public testing::Test {
protected:
    void SetUp() override {
        plat::installControlBackend(&backend);
        tree.setNodeDataType<TTestRow>();
        tree.OnInitNode = [](TTreeList* sender, TTreeNode* node) {
            sender->setCheckType(node, sender->getNodeLevel(node) == 0 ? TCheckType::ctTriStateCheckBox
                                                                       : TCheckType::ctCheckBox);
            sender->setCheckState(node, TCheckState::csCheckedNormal);
        };
        // Column 0 shows the name, every other column the name and the column.
        tree.OnGetText = [](TTreeList* sender, TTreeNode* node, int column, std::wstring& text) {
            const TTestRow* row = sender->getNodeData<TTestRow>(node);
            text = column <= 0 ? row->name : row->name + L"#" + std::to_wstring(column);
        };
    }
    void TearDown() override {
        // The handlers a test sets may refer to its locals, gone before the tree frees its nodes.
        tree.OnFreeNode = nullptr;
        tree.OnFocusChanged = nullptr;
        tree.OnChange = nullptr;
        plat::installControlBackend(nullptr);
    }

    TTreeNode* add(TTreeNode* parent, const std::wstring& name, int key = 0) {
        TTreeNode* node = tree.addChild(parent);
        *tree.getNodeData<TTestRow>(node) = TTestRow{name, key};
        return node;
    }
    // Files f0, f1... each with streams fN:s0, fN:s1...; answers the file nodes.
    std::vector<TTreeNode*> addFiles(int files, int streams, bool expand = false) {
        std::vector<TTreeNode*> result;
        for (int f = 0; f < files; ++f) {
            const std::wstring file = L"f" + std::to_wstring(f);
            TTreeNode* node = add(nullptr, file);
            for (int s = 0; s < streams; ++s) {
                add(node, file + L":s" + std::to_wstring(s));
            }
            if (expand) {
                tree.setExpanded(node, true);
            }
            result.push_back(node);
        }
        return result;
    }
    TTreeNode* find(const std::wstring& name) {
        for (TTreeNode* node = tree.getFirst(); node != nullptr; node = tree.getNext(node)) {
            if (nameOf(node) == name) {
                return node;
            }
        }
        throw std::logic_error("no such node");
    }
    std::wstring nameOf(TTreeNode* node) {
        return node != nullptr ? tree.getNodeData<TTestRow>(node)->name : L"(none)";
    }
    // The rows of the view, by name.
    std::vector<std::wstring> rows() {
        std::vector<std::wstring> result;
        for (int row = 0; row < tree.rowCount(); ++row) {
            result.push_back(nameOf(tree.rowNode(row)));
        }
        return result;
    }
    // Every node in tree order, by name.
    std::vector<std::wstring> treeOrder() {
        std::vector<std::wstring> result;
        for (TTreeNode* node = tree.getFirst(); node != nullptr; node = tree.getNext(node)) {
            result.push_back(nameOf(node));
        }
        return result;
    }
    // Realises the tree at (0, 0) with the given size, with no repaint pending.
    plat::headless::THeadlessPeer& realise(int width, int height) {
        tree.setBounds(0, 0, width, height);
        tree.createHandle();
        plat::headless::THeadlessPeer* peer = plat::headless::headlessPeer(tree.peer());
        if (peer == nullptr) {
            throw std::logic_error("tree not realised");
        }
        peer->resetCounts();
        return *peer;
    }

    plat::headless::THeadlessBackend backend;
    TTreeList tree;
};
