# Kalvane equations in LibreOffice Writer: the UNO components of the extension.
#
# An equation lives in the document as a picture anchored as a character: the placeable metafile
# Kalvane made, which carries the equation's document in a comment record. The picture is its
# own source, so the equation survives any format that keeps the picture's bytes (.odt, .docx),
# and nothing else needs to be stored.
#
# - EquationCommands answers the command URLs vnd.kalvane.equation:Insert, :Edit and :UpdateAll
#   that the menu, the toolbar and the context menu dispatch (a protocol handler, so the
#   commands do not depend on the file name or the install scope of the extension).
# - DocumentWatcher is a job run on every new view of a document and on every load: it hooks the
#   double-click and the context menu of Writer views, and puts loaded equations back on their
#   baseline (formats such as .docx do not keep how far a picture is lowered).
#
# The editor runs as a separate program (`kalvane --embedding FILE.kv3`) that returns when the
# user updates or cancels; a thread waits for it, so Writer stays usable meanwhile, and the
# result is applied on Writer's own thread through an AsyncCallback.
import os
import shutil
import subprocess
import tempfile
import threading
import traceback
from contextlib import contextmanager

import uno
import unohelper
from com.sun.star.awt import Size, XCallback, XMouseClickHandler
from com.sun.star.awt.MessageBoxButtons import BUTTONS_OK
from com.sun.star.awt.MessageBoxType import ERRORBOX, INFOBOX
from com.sun.star.beans import PropertyValue
from com.sun.star.frame import FeatureStateEvent, XDispatch, XDispatchProvider
from com.sun.star.lang import XInitialization, XServiceInfo
from com.sun.star.task import XJob
from com.sun.star.text.TextContentAnchorType import AS_CHARACTER
from com.sun.star.text.VertOrientation import NONE as VERT_NONE
from com.sun.star.ui import XContextMenuInterceptor
from com.sun.star.ui.ActionTriggerSeparatorType import LINE
from com.sun.star.ui.ContextMenuInterceptorAction import EXECUTE_MODIFIED, IGNORED

import kalvane_bridge as kv

PROTOCOL = "vnd.kalvane.equation:"
BOX_TITLE = "Kalvane Equations"
PICTURE_TITLE = "Kalvane equation"
WMF = "image/x-wmf"

# Documents (by RuntimeUID) with a Kalvane session running: one at a time per document, so two
# editors never change the same equation, and Update All never races an edit.
_busy = set()


def _property(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


def _create(ctx, service):
    return ctx.ServiceManager.createInstanceWithContext(service, ctx)


def _show(ctx, frame, text, kind=ERRORBOX):
    toolkit = _create(ctx, "com.sun.star.awt.Toolkit")
    parent = frame.ContainerWindow if frame is not None else None
    toolkit.createMessageBox(parent, kind, BUTTONS_OK, BOX_TITLE, text).execute()


class _Call(unohelper.Base, XCallback):
    def __init__(self, ctx, function):
        self.ctx = ctx
        self.function = function

    def notify(self, data):
        try:
            self.function()
        except Exception:
            _show(self.ctx, None, "Kalvane Equations failed:\n" + traceback.format_exc())


def _on_writer_thread(ctx, function):
    """Runs `function` on LibreOffice's main thread, after the current event is handled."""
    _create(ctx, "com.sun.star.awt.AsyncCallback").addCallback(_Call(ctx, function), None)


def _picture_bytes(ctx, graphic_object):
    """The original bytes of a Writer picture when it is a metafile (Writer hands a metafile's
    own bytes back unchanged), else b"". Other pictures are not looked at: re-encoding a
    photograph only to find no equation in it would be slow."""
    graphic = graphic_object.Graphic
    if graphic is None or graphic.MimeType != WMF:
        return b""
    # Through a file: storing into a SequenceOutputStream gives nothing back for a picture that
    # came from a loaded document.
    handle, path = tempfile.mkstemp(prefix="kalvane-", suffix=".wmf")
    os.close(handle)
    try:
        _create(ctx, "com.sun.star.graphic.GraphicProvider").storeGraphic(
            graphic, (_property("URL", uno.systemPathToFileUrl(path)),
                      _property("MimeType", WMF)))
        with open(path, "rb") as f:
            return f.read()
    finally:
        os.unlink(path)


def _equations(ctx, document):
    """(picture object, its bytes) for each picture of the document carrying an equation."""
    found = []
    pictures = document.GraphicObjects
    for name in pictures.ElementNames:
        picture = pictures.getByName(name)
        data = _picture_bytes(ctx, picture)
        if kv.is_equation_picture(data):
            found.append((picture, data))
    return found


def _selected_equation(ctx, controller):
    selection = controller.getSelection()
    if (selection is not None and hasattr(selection, "supportsService")
            and selection.supportsService("com.sun.star.text.TextGraphicObject")
            and kv.is_equation_picture(_picture_bytes(ctx, selection))):
        return selection
    return None


def _load_graphic(ctx, path):
    # From the bytes rather than the file's URL: the folder is removed right after, and a
    # graphic loaded from a URL may be read lazily.
    with open(path, "rb") as f:
        data = f.read()
    stream = _create(ctx, "com.sun.star.io.SequenceInputStream")
    stream.initialize((uno.ByteSequence(data),))
    return _create(ctx, "com.sun.star.graphic.GraphicProvider").queryGraphic(
        (_property("InputStream", stream),))


def _place(ctx, picture, wmf_path, width, height, depth, text):
    """Gives a picture object the equation's picture, its size, and the lowering that puts the
    equation's baseline on the text's baseline: with VertOrient NONE, VertOrientPosition is
    the top of the picture below the baseline."""
    picture.Graphic = _load_graphic(ctx, wmf_path)
    picture.Size = Size(width, height)
    picture.VertOrient = VERT_NONE
    picture.VertOrientPosition = depth - height
    picture.Description = text or ""
    picture.Title = PICTURE_TITLE


@contextmanager
def _undo_step(document, title):
    manager = document.UndoManager
    manager.enterUndoContext(title)
    try:
        yield
    finally:
        manager.leaveUndoContext()


def _unique_name(document):
    names = set(document.GraphicObjects.ElementNames)
    number = 1
    while "Kalvane Equation %d" % number in names:
        number += 1
    return "Kalvane Equation %d" % number


def _alive(document):
    try:
        document.getURL()
        return True
    except Exception:  # DisposedException: the document was closed
        return False


def _text_of(equation_path):
    """The equation's text for the picture's alternative text; None when it cannot be read (a
    picture without one is still better than losing the user's edit)."""
    try:
        return kv.equation_text(equation_path)
    except RuntimeError:
        return None


def _refuse_when_busy(ctx, frame, document):
    if document.RuntimeUID in _busy:
        _show(ctx, frame, "An equation of this document is being edited in Kalvane already.\n"
              "Finish it there (Update or Cancel) first.", INFOBOX)
        return True
    return False


def _run_editor(ctx, frame, document, folder, apply):
    """Starts the editor on folder/OBJECT.kv3 and returns at once. When the user chooses
    Update, apply(picture path, width, height, depth, text) runs on Writer's thread; Cancel,
    or an editor that ends any other way, leaves the document as it was."""
    object_path = os.path.join(folder, "OBJECT.kv3")
    editor = kv.editor_program()
    try:
        process = subprocess.Popen([editor, "--embedding", object_path], stdin=subprocess.DEVNULL,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    except OSError as error:
        shutil.rmtree(folder, ignore_errors=True)
        _show(ctx, frame, "Kalvane could not be started (%s):\n%s" % (editor, error.strerror))
        return
    key = document.RuntimeUID
    _busy.add(key)

    def finish(status, output, errors):
        _busy.discard(key)
        try:
            if not _alive(document):
                return  # closed meanwhile: there is nothing left to change
            if status == kv.UPDATED:
                placement = kv.parse_picture_line(output)
                if placement is None:
                    raise RuntimeError("Kalvane did not say how large the picture is.")
                apply(os.path.join(folder, "OBJECT.wmf"), *placement, _text_of(object_path))
            elif status in (kv.FAILED_TO_START, kv.USAGE_ERROR):
                raise RuntimeError(errors.strip() or "Kalvane could not start.")
        except Exception as error:
            _show(ctx, frame, str(error))
        finally:
            # Last, so that the folder's removal tells that the session is over.
            shutil.rmtree(folder, ignore_errors=True)

    def wait():
        output, errors = process.communicate()
        _on_writer_thread(ctx, lambda: finish(process.returncode, output, errors))

    threading.Thread(target=wait, name="kalvane-editor", daemon=True).start()


def insert_equation(ctx, frame):
    controller = frame.Controller
    document = controller.Model
    if _refuse_when_busy(ctx, frame, document):
        return
    view = controller.ViewCursor
    # A text cursor moves with the text as the user goes on writing while the editor is open.
    position = view.Text.createTextCursorByRange(view.Start)
    face = (view.CharFontName or "").split(";")[0]
    kv.write_font_info(face, view.CharHeight or 12)

    def apply(wmf_path, width, height, depth, text):
        if text == "":
            return  # nothing was typed: an invisible picture would only be in the way
        picture = document.createInstance("com.sun.star.text.TextGraphicObject")
        picture.AnchorType = AS_CHARACTER
        picture.Name = _unique_name(document)
        with _undo_step(document, "Insert Equation"):
            _place(ctx, picture, wmf_path, width, height, depth, text)
            position.Text.insertTextContent(position, picture, False)

    _run_editor(ctx, frame, document, tempfile.mkdtemp(prefix="kalvane-"), apply)


def edit_equation(ctx, frame):
    controller = frame.Controller
    document = controller.Model
    if _refuse_when_busy(ctx, frame, document):
        return
    picture = _selected_equation(ctx, controller)
    if picture is None:
        _show(ctx, frame, "Select a Kalvane equation first.", INFOBOX)
        return
    folder = tempfile.mkdtemp(prefix="kalvane-")
    source = os.path.join(folder, "EQUATION.wmf")
    with open(source, "wb") as f:
        f.write(_picture_bytes(ctx, picture))
    try:
        kv.run_cli("extract", source, "-o", os.path.join(folder, "OBJECT.kv3"))
    except RuntimeError as error:
        shutil.rmtree(folder, ignore_errors=True)
        _show(ctx, frame, "The equation could not be taken out of the picture:\n%s" % error)
        return
    view = controller.ViewCursor
    kv.write_font_info((view.CharFontName or "").split(";")[0], view.CharHeight or 12)

    def apply(wmf_path, width, height, depth, text):
        try:
            picture.getAnchor()
        except Exception:
            raise RuntimeError("The equation was deleted while Kalvane had it open: "
                               "the changes have nowhere to go.")
        with _undo_step(document, "Edit Equation"):
            _place(ctx, picture, wmf_path, width, height, depth, text)

    _run_editor(ctx, frame, document, folder, apply)


def update_all_equations(ctx, frame):
    """Draws every equation of the document again from the equation its picture carries, with
    the options in force, and puts it back on the baseline."""
    document = frame.Controller.Model
    if _refuse_when_busy(ctx, frame, document):
        return
    equations = _equations(ctx, document)
    if not equations:
        _show(ctx, frame, "This document holds no Kalvane equations.", INFOBOX)
        return
    folder = tempfile.mkdtemp(prefix="kalvane-")
    key = document.RuntimeUID
    _busy.add(key)

    def render_all():
        results, failures = [], []
        for number, (picture, data) in enumerate(equations):
            source = os.path.join(folder, "in%d.wmf" % number)
            target = os.path.join(folder, "out%d.wmf" % number)
            try:
                with open(source, "wb") as f:
                    f.write(data)
                placement = kv.parse_picture_line(
                    kv.run_cli("render", source, "-o", target, "--container"))
                if placement is None:
                    raise RuntimeError("no picture size was printed")
                results.append((picture, target, placement, _text_of(source)))
            except (OSError, RuntimeError) as error:
                failures.append(str(error))
        _on_writer_thread(ctx, lambda: apply_all(results, failures))

    def apply_all(results, failures):
        _busy.discard(key)
        try:
            if not _alive(document):
                return
            with _undo_step(document, "Update All Equations"):
                for picture, target, placement, text in results:
                    _place(ctx, picture, target, *placement, text)
        finally:
            shutil.rmtree(folder, ignore_errors=True)
        if failures:
            _show(ctx, frame, "%d equation(s) could not be updated:\n%s"
                  % (len(failures), "\n".join(failures)))

    threading.Thread(target=render_all, name="kalvane-update", daemon=True).start()


def restore_baselines(ctx, document):
    """Puts every equation of a loaded document back on its baseline from the depth its own
    picture records, where the file format lost the lowering (.docx keeps size and picture but
    not the offset). Changes nothing, not even the modified state, when all are in place."""
    fixes = []
    for picture, data in _equations(ctx, document):
        placement = kv.picture_placement(data)
        size = picture.Size
        if placement is None or placement[0] <= 0 or size.Height <= 0:
            continue
        # A picture the user resized keeps its baseline at the same fraction of its height.
        wanted = round(placement[1] * size.Height / placement[0]) - size.Height
        if picture.VertOrient != VERT_NONE or abs(picture.VertOrientPosition - wanted) > 2:
            fixes.append((picture, wanted))
    if not fixes:
        return
    was_modified = document.isModified()
    undo = document.UndoManager
    undo.lock()  # loading is not something to undo
    try:
        for picture, wanted in fixes:
            picture.VertOrient = VERT_NONE
            picture.VertOrientPosition = wanted
    finally:
        undo.unlock()
    if not was_modified:
        document.setModified(False)


# Double-click and context menu, hooked on every Writer view.

class _DoubleClick(unohelper.Base, XMouseClickHandler):
    def __init__(self, ctx, controller):
        self.ctx = ctx
        self.controller = controller

    def mousePressed(self, event):
        if event.Buttons != 1 or event.ClickCount != 2:  # 1: the left button
            return False
        if _selected_equation(self.ctx, self.controller) is None:
            return False
        # True keeps Writer's own picture dialog away; the edit starts once this event is done.
        frame = self.controller.Frame
        _on_writer_thread(self.ctx, lambda: edit_equation(self.ctx, frame))
        return True

    def mouseReleased(self, event):
        return False

    def disposing(self, source):
        pass


class _ContextMenu(unohelper.Base, XContextMenuInterceptor):
    def __init__(self, ctx, controller):
        self.ctx = ctx
        self.controller = controller

    def notifyContextMenuExecute(self, event):
        if _selected_equation(self.ctx, self.controller) is None:
            return IGNORED
        menu = event.ActionTriggerContainer
        # Through setPropertyValue: assigning the menu entries' attributes is refused.
        item = menu.createInstance("com.sun.star.ui.ActionTrigger")
        item.setPropertyValue("Text", "Edit Equation")
        item.setPropertyValue("CommandURL", PROTOCOL + "Edit")
        separator = menu.createInstance("com.sun.star.ui.ActionTriggerSeparator")
        separator.setPropertyValue("SeparatorType", LINE)
        menu.insertByIndex(0, item)
        menu.insertByIndex(1, separator)
        return EXECUTE_MODIFIED


def _is_writer(document):
    return (document is not None and hasattr(document, "supportsService")
            and document.supportsService("com.sun.star.text.TextDocument"))


class _ServiceInfo(XServiceInfo):
    """The component's names, from its IMPLEMENTATION and SERVICES."""

    def getImplementationName(self):
        return self.IMPLEMENTATION

    def supportsService(self, name):
        return name in self.getSupportedServiceNames()

    def getSupportedServiceNames(self):
        return self.SERVICES


class DocumentWatcher(unohelper.Base, XJob, _ServiceInfo):
    IMPLEMENTATION = "org.kalvane.writer.DocumentWatcher"
    SERVICES = (IMPLEMENTATION, "com.sun.star.task.Job")

    def __init__(self, ctx):
        self.ctx = ctx

    def execute(self, arguments):
        environment = {}
        for argument in arguments:
            if argument.Name == "Environment":
                environment = {p.Name: p.Value for p in argument.Value}
        document = environment.get("Model")
        if not _is_writer(document):
            return None
        event = environment.get("EventName")
        if event == "OnViewCreated":
            controller = document.CurrentController
            controller.addMouseClickHandler(_DoubleClick(self.ctx, controller))
            controller.registerContextMenuInterceptor(_ContextMenu(self.ctx, controller))
        elif event == "OnLoad":
            try:
                restore_baselines(self.ctx, document)
            except Exception:
                pass  # a picture that cannot be read stays where the file put it
        return None


class EquationCommands(unohelper.Base, XDispatchProvider, XDispatch, XInitialization,
                       _ServiceInfo):
    IMPLEMENTATION = "org.kalvane.writer.EquationCommands"
    SERVICES = (IMPLEMENTATION, "com.sun.star.frame.ProtocolHandler")
    ACTIONS = {"Insert": insert_equation, "Edit": edit_equation,
               "UpdateAll": update_all_equations}

    def __init__(self, ctx):
        self.ctx = ctx
        self.frame = None

    def initialize(self, arguments):
        if arguments:
            self.frame = arguments[0]

    def queryDispatch(self, url, target, flags):
        if url.Protocol == PROTOCOL and url.Path in self.ACTIONS:
            return self
        return None

    def queryDispatches(self, requests):
        return tuple(self.queryDispatch(r.FeatureURL, r.FrameName, r.SearchFlags)
                     for r in requests)

    def dispatch(self, url, arguments):
        if self.frame is None or not _is_writer(self.frame.Controller.Model):
            return
        self.ACTIONS[url.Path](self.ctx, self.frame)

    def addStatusListener(self, listener, url):
        state = FeatureStateEvent()
        state.FeatureURL = url
        state.IsEnabled = True
        state.Source = self
        listener.statusChanged(state)

    def removeStatusListener(self, listener, url):
        pass


g_ImplementationHelper = unohelper.ImplementationHelper()
for _component in (EquationCommands, DocumentWatcher):
    g_ImplementationHelper.addImplementation(_component, _component.IMPLEMENTATION,
                                             _component.SERVICES)
