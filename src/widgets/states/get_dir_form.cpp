#include "widgets/states/get_dir_form.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFormLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

#include "util/messages.h"

namespace bexlo {

namespace {

// The roots offered in the drive box: the home directory, then every mounted, ready file system
// that is not a pseudo file system, "/" first.
QStringList DriveRoots() {
  QStringList roots{QDir::homePath()};
  QStringList mounts;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (!volume.isValid() || !volume.isReady()) continue;
    const QByteArray type = volume.fileSystemType();
    if (type == "proc" || type == "sysfs" || type == "tmpfs" || type == "devtmpfs" || type == "overlay" ||
        type == "cgroup" || type == "cgroup2" || type == "devpts" || type == "squashfs")
      continue;
    mounts << volume.rootPath();
  }
  mounts.sort();
  mounts.removeDuplicates();
  mounts.removeAll(QStringLiteral("/"));
  roots << QStringLiteral("/") << mounts;
  roots.removeDuplicates();
  return roots;
}

}  // namespace

TGetDirForm::TGetDirForm(const QString& caption, const QString& initialDir, QWidget* parent) : QDialog(parent) {
  setWindowTitle(caption.isEmpty() ? QString::fromUtf8(msg::SQoChooseDirectory) : caption);
  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
  model_->setRootPath(QStringLiteral("/"));

  drives_ = new QComboBox(this);
  drives_->addItems(DriveRoots());
  tree_ = new QTreeView(this);
  tree_->setModel(model_);
  for (int c = 1; c < model_->columnCount(); ++c) tree_->hideColumn(c);
  tree_->header()->hide();
  tree_->setUniformRowHeights(true);
  path_ = new QLineEdit(this);
  path_->setReadOnly(true);

  auto* buttons = new QDialogButtonBox(this);
  choose_ = buttons->addButton(QString::fromUtf8(msg::SQoGetDirChoose), QDialogButtonBox::AcceptRole);
  buttons->addButton(QString::fromUtf8(msg::SQoStateCancel), QDialogButtonBox::RejectRole);
  choose_->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(drives_, &QComboBox::currentIndexChanged, this, &TGetDirForm::DriveChanged);
  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
    path_->setText(Directory());
    choose_->setEnabled(!Directory().isEmpty());
  });

  auto* form = new QFormLayout;
  form->addRow(QString::fromUtf8(msg::SQoGetDirDrive), drives_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(tree_, 1);
  layout->addWidget(path_);
  layout->addWidget(buttons);
  resize(420, 420);

  if (initialDir.isEmpty() || !SetDirectory(initialDir)) DriveChanged(0);
  tree_->setFocus();
}

TGetDirForm::~TGetDirForm() = default;

QString TGetDirForm::Directory() const {
  const QModelIndex index = tree_->currentIndex();
  if (!index.isValid()) return {};
  return model_->filePath(index);
}

bool TGetDirForm::SetDirectory(const QString& dir) {
  const QFileInfo info(dir);
  if (!info.isDir()) return false;
  const QString path = info.absoluteFilePath();
  // The drive: the longest root the directory lies under.
  int best = -1;
  qsizetype bestLength = -1;
  for (int i = 0; i < drives_->count(); ++i) {
    QString root = drives_->itemText(i);
    const QString prefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    if ((path == root || path.startsWith(prefix)) && root.size() > bestLength) {
      best = i;
      bestLength = root.size();
    }
  }
  if (best >= 0 && best != drives_->currentIndex()) {
    const QSignalBlocker block(drives_);
    drives_->setCurrentIndex(best);
  }
  if (best >= 0) tree_->setRootIndex(model_->index(drives_->itemText(best)));
  const QModelIndex index = model_->index(path);
  tree_->setCurrentIndex(index);
  tree_->scrollTo(index);
  path_->setText(Directory());
  return index.isValid();
}

void TGetDirForm::DriveChanged(int index) {
  if (index < 0) return;
  const QString root = drives_->itemText(index);
  const QModelIndex rootIndex = model_->index(root);
  tree_->setRootIndex(rootIndex);
  tree_->setCurrentIndex(rootIndex);
  path_->setText(Directory());
}

}  // namespace bexlo
