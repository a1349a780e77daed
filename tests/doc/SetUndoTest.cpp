// Recording changes and taking them back.
#include "DocTestSupport.h"

#include <gtest/gtest.h>

using namespace vtx;
using namespace vtx::test;

TEST(DocSetUndo, ChangesStackUpAndUndoLeavesThePendingFileByte)
{
    TempDir dir;
    const QString path = dir.Write("a.bin", QByteArray("0123456789"));
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    doc->Undo(); // nothing to undo
    EXPECT_TRUE(doc->PendingChanges().empty());
    EXPECT_FALSE(doc->IsDirty());

    ASSERT_TRUE(doc->SetByte('A', 3));
    ASSERT_TRUE(doc->SetByte('B', 3));
    ASSERT_EQ(doc->UndoHistory().size(), 2u);
    EXPECT_EQ(doc->UndoHistory()[0].position, 3u);
    EXPECT_EQ(doc->UndoHistory()[0].previous, '3');
    EXPECT_EQ(doc->UndoHistory()[1].previous, 'A');
    EXPECT_EQ(doc->GetByte(3), 'B');
    EXPECT_TRUE(doc->IsDirty());
    EXPECT_FALSE(doc->IsModified());

    doc->Undo();
    EXPECT_EQ(doc->GetByte(3), 'A');
    doc->Undo();
    // Back to the file's own byte: the change is gone, not kept as a copy of that byte.
    EXPECT_TRUE(doc->PendingChanges().empty());
    EXPECT_EQ(Presented(*doc, 0, 10), QByteArray("0123456789"));
    ASSERT_TRUE(doc->OnSaveDocument(path));
    EXPECT_EQ(ReadAll(path), QByteArray("0123456789"));
    EXPECT_FALSE(doc->IsModified());
}

TEST(DocSetUndo, OnlyPositionsInsideTheFileCanChange)
{
    TempDir dir;
    auto doc = OpenDocument(dir.Write("a.bin", QByteArray("abc")));
    ASSERT_TRUE(doc);
    EXPECT_TRUE(doc->SetByte('z', 2));
    EXPECT_FALSE(doc->SetByte('z', 3));
    EXPECT_FALSE(doc->SetByte('z', 0x90000000u));
    EXPECT_EQ(doc->UndoHistory().size(), 1u);
    EXPECT_EQ(doc->PendingChanges().size(), 1u);

    CVantorixDoc unopened;
    EXPECT_FALSE(unopened.SetByte('z', 0));
    EXPECT_FALSE(unopened.IsDirty());
}

TEST(DocSetUndo, UndoAfterSaveBringsBackTheOldValueAndMakesTheDocumentDirty)
{
    TempDir dir;
    const QString path = dir.Write("a.bin", QByteArray("abcdef"));
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    ASSERT_TRUE(doc->SetByte('X', 1));
    ASSERT_TRUE(doc->OnSaveDocument(path));
    EXPECT_FALSE(doc->IsDirty());
    ASSERT_EQ(doc->UndoHistory().size(), 1u); // the history survives the save

    doc->Undo();
    EXPECT_TRUE(doc->IsDirty());
    EXPECT_EQ(doc->GetByte(1), 'b');
    EXPECT_EQ(ReadAll(path), QByteArray("aXcdef"));
    ASSERT_TRUE(doc->OnSaveDocument(path));
    EXPECT_EQ(ReadAll(path), QByteArray("abcdef"));
}

TEST(DocSetUndo, UndoMovesTheFirstViewToTheByteAndRepaintsIt)
{
    TempDir dir;
    auto doc = OpenDocument(dir.Write("a.bin", Filler(100)));
    ASSERT_TRUE(doc);
    auto bare = std::make_unique<CView>(doc.get());
    RecordingView first(doc.get());
    RecordingView second(doc.get());
    ASSERT_TRUE(doc->SetByte(1, 42));
    ASSERT_TRUE(doc->SetByte(1, 7));

    // A first view that cannot go to a position is not asked, nor is any other view.
    doc->Undo();
    EXPECT_TRUE(first.calls.empty());
    EXPECT_EQ(doc->UndoHistory().size(), 1u);

    bare.reset();
    doc->Undo();
    using Calls = std::vector<std::pair<char, vtx::FilePos>>;
    EXPECT_EQ(first.calls, (Calls{{'G', 42}, {'R', 0}}));
    EXPECT_TRUE(second.calls.empty());
    EXPECT_TRUE(doc->UndoHistory().empty());
}

TEST(DocSetUndo, DirtyExactlyWhileSomeByteDiffersFromTheFile)
{
    TempDir dir;
    const QString path = dir.Write("a.bin", QByteArray("abcdef"));
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    const auto step = [&](const char* what, bool dirty) {
        EXPECT_EQ(doc->IsDirty(), dirty) << what;
        EXPECT_EQ(doc->HasUnsavedChanges(), dirty) << what;
    };
    ASSERT_TRUE(doc->SetByte('b', 1));
    step("a byte set to the value it has", false);
    ASSERT_TRUE(doc->SetByte('X', 1));
    ASSERT_TRUE(doc->SetByte('Y', 2));
    step("two bytes changed", true);
    ASSERT_TRUE(doc->SetByte('c', 2));
    step("one of them typed back", true);
    doc->Undo();
    doc->Undo();
    step("one change left", true);
    doc->Undo();
    step("undone to the file's bytes", false);
    doc->Undo();
    step("the first, empty change undone", false);

    ASSERT_TRUE(doc->SetByte('Z', 0));
    ASSERT_TRUE(doc->OnSaveDocument(path));
    step("saved", false);
    doc->Undo();
    step("undone past the save", true);
    ASSERT_TRUE(doc->SetByte('Z', 0));
    step("back to the saved value", false);
    EXPECT_EQ(ReadAll(path), QByteArray("Zbcdef"));
}

TEST(DocSetUndo, ManyBytesAreOneStepThatUndoAndRedoTakeWhole)
{
    TempDir dir;
    const QString path = dir.Write("a.bin", QByteArray("0123456789"));
    auto doc = OpenDocument(path);
    ASSERT_TRUE(doc);
    RecordingView view(doc.get());
    const std::uint8_t values[] = {'a', 'b', 'c', 'd'};
    ASSERT_TRUE(doc->SetByte('X', 1));
    // Never past the end: two of the four fit.
    EXPECT_EQ(doc->SetBytes(values, 4, 8), 2);
    EXPECT_EQ(doc->SetBytes(values, 4, 10), 0);
    EXPECT_EQ(doc->SetBytes(values, 3, 0), 3);
    EXPECT_EQ(Presented(*doc, 0, 10), QByteArray("abc34567ab"));

    doc->Undo();
    EXPECT_EQ(Presented(*doc, 0, 10), QByteArray("0X234567ab"));
    doc->Undo();
    EXPECT_EQ(Presented(*doc, 0, 10), QByteArray("0X23456789"));
    doc->Redo();
    EXPECT_EQ(Presented(*doc, 0, 10), QByteArray("0X234567ab"));
    doc->Redo();
    EXPECT_EQ(Presented(*doc, 0, 10), QByteArray("abc34567ab"));
    doc->Redo(); // nothing left to redo
    EXPECT_EQ(Presented(*doc, 0, 10), QByteArray("abc34567ab"));
    // Each step moves the first view to the step's first byte.
    EXPECT_EQ(view.calls, (std::vector<std::pair<char, vtx::FilePos>>{
                              {'G', 0}, {'R', 0}, {'G', 8}, {'R', 0}, {'G', 8}, {'R', 0}, {'G', 0}, {'R', 0}}));

    // Undone and saved, redone after the save: dirty again, and the save writes it.
    doc->Undo();
    ASSERT_TRUE(doc->OnSaveDocument(path));
    EXPECT_EQ(ReadAll(path), QByteArray("0X234567ab"));
    doc->Redo();
    EXPECT_TRUE(doc->IsDirty());
    ASSERT_TRUE(doc->OnSaveDocument(path));
    EXPECT_EQ(ReadAll(path), QByteArray("abc34567ab"));

    // A new change ends what could be redone.
    doc->Undo();
    ASSERT_TRUE(doc->CanRedo());
    ASSERT_TRUE(doc->SetByte('Z', 9));
    EXPECT_FALSE(doc->CanRedo());
    doc->Undo();
    ASSERT_TRUE(doc->CanRedo());
    EXPECT_EQ(doc->SetBytes(values, 1, 5), 1);
    EXPECT_FALSE(doc->CanRedo());
}
