"""A whole game against the computer, a background colour and the first hand of a game in pairs,
played only through the accessibility bus as a screen reader's user plays them: controls are
found by role and name, pressed through their action interface, and whose turn it is and each
hand's result are read from accessible text.

Usage: play_by_ear.py PROGRAM (run by run.sh, which provides the display and the buses)."""

import subprocess
import sys
import time

import re

import pyatspi

TIME_LIMIT = 150  # seconds for everything
started = time.monotonic()


def fail(message):
    print("FALHOU:", message, flush=True)
    sys.exit(1)


def check_time(what):
    if time.monotonic() - started > TIME_LIMIT:
        fail("tempo esgotado esperando " + what)


def walk(acc):
    try:
        count = acc.childCount
    except Exception:
        return
    yield acc
    for i in range(count):
        try:
            child = acc.getChildAtIndex(i)
        except Exception:
            continue
        if child is not None:
            yield from walk(child)


def states(acc):
    try:
        return acc.getState()
    except Exception:
        return None


def showing(acc):
    s = states(acc)
    return s is not None and s.contains(pyatspi.STATE_SHOWING)


def the_app():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        a = desktop.getChildAtIndex(i)
        if a is not None and a.name == "Truco":
            return a
    return None


def windows(app):
    return [w for w in (app.getChildAtIndex(i) for i in range(app.childCount))
            if w is not None and showing(w)]


def find(root, role, name=None):
    for acc in walk(root):
        try:
            if acc.getRole() == role and (name is None or acc.name == name) and showing(acc):
                return acc
        except Exception:
            continue
    return None


def actions(acc):
    try:
        ai = acc.queryAction()
    except NotImplementedError:
        return None, []
    return ai, [ai.getName(i) for i in range(ai.nActions)]


def press(acc):
    ai, names = actions(acc)
    for i, n in enumerate(names):
        if n.lower() in ("press", "click", "toggle"):
            ai.doAction(i)
            return
    fail("sem ação de pressionar: %s %r" % (acc.getRoleName(), acc.name))


def texts(root):
    out = []
    for acc in walk(root):
        try:
            if acc.getRole() == pyatspi.ROLE_LABEL and acc.name:
                out.append(acc.name)
        except Exception:
            pass
    return " | ".join(out)


def pressable_buttons(box):
    return [b for b in walk(box) if b.getRole() == pyatspi.ROLE_PUSH_BUTTON and actions(b)[1]]


def button_names(box):
    return [b.name for b in pressable_buttons(box)]


def main_window(app):
    for w in windows(app):
        if find(w, pyatspi.ROLE_STATUS_BAR, "Situação da mão") is not None:
            return w
    return None


def score(main):
    return find(main, pyatspi.ROLE_PANEL, "Tentos") or find(main, pyatspi.ROLE_GROUPING, "Tentos")


audited = set()


def audit(window, what):
    """The window as the bus shows it: no focusable control without a name, no two alike."""
    if what in audited:
        return
    audited.add(what)
    seen = {}
    for acc in walk(window):
        s = states(acc)
        if s is None or not s.contains(pyatspi.STATE_FOCUSABLE) or not s.contains(pyatspi.STATE_SHOWING):
            continue
        role = acc.getRole()
        if role in (pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_TREE_ITEM):
            continue
        if not acc.name and role != pyatspi.ROLE_LABEL:
            fail("%s: um controle sem nome (%s)" % (what, acc.getRoleName()))
        key = (acc.name, acc.description)
        if acc.name and key in seen:
            fail("%s: dois controles se leem igual: %r" % (what, acc.name))
        seen[key] = acc
    print("lido por inteiro:", what, "(%d controles)" % len(seen), flush=True)


def answer_box(box, log):
    """Answers a modal box the way a player who always plays on would."""
    said = texts(box)
    names = button_names(box)
    log.append("caixa: %s [%s]" % (said, ", ".join(names)))
    print(log[-1], flush=True)
    buttons = pressable_buttons(box)
    for wanted in ("Sim", "OK", "Ok", "Aceitar", "Aceito", "Fechar"):
        for b in buttons:
            if b.name.replace("&", "") == wanted:
                press(b)
                return said
    for b in buttons:
        press(b)
        return said
    fail("caixa sem botão: " + said)


def choose_game_kind(dialog, kind="Contra PC"):
    name = find(dialog, pyatspi.ROLE_TEXT, "Seu Nome")
    if name is None:
        fail('o campo "Seu Nome" não tem nome')
    name.queryEditableText().setTextContents("CEGO")
    press(find(dialog, pyatspi.ROLE_RADIO_BUTTON, kind))
    time.sleep(0.2)
    press(find(dialog, pyatspi.ROLE_PUSH_BUTTON, "OK"))


def play_game(app):
    log = []
    results = []
    gains = []  # (who, tentos) of each hand, read from the box that tells it
    last_score = None
    last_status = None
    while True:
        check_time("o fim da partida")
        main = main_window(app)
        # A window without buttons (the opening splash) answers nothing: it goes by itself.
        others = [w for w in windows(app) if w != main and button_names(w)]
        if others:
            box = others[0]
            if find(box, pyatspi.ROLE_RADIO_BUTTON, "Contra PC") is not None:
                audit(box, "Tipo de jogo")
                choose_game_kind(box)
            else:
                said = answer_box(box, log)
                won = re.search(r"(Eu Ganhei|Você Ganhou) (\d+) Tento", said)
                if won:
                    gains.append(("Computador" if won.group(1) == "Eu Ganhei" else "Você",
                                  int(won.group(2))))
            time.sleep(0.3)
            continue
        if main is None:
            time.sleep(0.2)
            continue
        status = find(main, pyatspi.ROLE_STATUS_BAR, "Situação da mão").description
        if status != last_status:
            print("vez:", status, flush=True)
            last_status = status
        tally = score(main)
        if tally is None:
            fail("o placar não está na árvore")
        if tally.description != last_score:
            last_score = tally.description
            results.append(last_score)
            print("placar:", last_score, flush=True)
            if "partidas 0 a 0" not in last_score:
                return results, gains
        if status.startswith("Tecle I"):
            press(find(main, pyatspi.ROLE_PUSH_BUTTON, "Iniciar"))
        elif status.startswith(("Sua vez", "O computador jogou", "Mão de onze")):
            audit(main, "a mesa")
            cards = [c for c in walk(main)
                     if c.getRole() == pyatspi.ROLE_PUSH_BUTTON and showing(c)
                     and "Na sua mão" in (c.description or "") and actions(c)[1]]
            if not cards:
                fail("é a vez do jogador e não há carta que se possa jogar")
            played = cards[0]
            print("jogo:", played.name, flush=True)
            press(played)
        time.sleep(0.3)


def change_background(app):
    main = main_window(app)
    press(find(main, pyatspi.ROLE_PUSH_BUTTON, "Configurações"))
    for _ in range(50):
        config = next((w for w in windows(app) if find(w, pyatspi.ROLE_PUSH_BUTTON, "Cores de Fundo")), None)
        if config:
            break
        time.sleep(0.1)
    else:
        fail('"Configurações" não abriu')
    audit(config, "Configurações")
    press(find(config, pyatspi.ROLE_PUSH_BUTTON, "Cores de Fundo"))
    for _ in range(50):
        colours = next((w for w in windows(app) if find(w, pyatspi.ROLE_RADIO_BUTTON, "Roxo")), None)
        if colours:
            break
        time.sleep(0.1)
    else:
        fail('"Cores de Fundo" não abriu, ou suas cores não têm nome')
    audit(colours, "Cores de Fundo")
    swatches = [s for s in walk(colours) if s.getRole() == pyatspi.ROLE_RADIO_BUTTON]
    if len(swatches) != 20 or len({s.name for s in swatches}) != 20:
        fail("as 20 cores não têm nomes distintos: %r" % [s.name for s in swatches])
    purple = find(colours, pyatspi.ROLE_RADIO_BUTTON, "Roxo")
    press(purple)
    for _ in range(50):
        if states(purple).contains(pyatspi.STATE_CHECKED):
            break
        time.sleep(0.1)
    else:
        fail('"Roxo" não ficou escolhida')
    print("cor escolhida: Roxo", flush=True)
    press(find(colours, pyatspi.ROLE_PUSH_BUTTON, "OK"))
    for _ in range(50):
        if not any(find(w, pyatspi.ROLE_RADIO_BUTTON, "Roxo") for w in windows(app)):
            break
        time.sleep(0.1)
    press(find(config, pyatspi.ROLE_PUSH_BUTTON, "Gravar e Fechar"))
    for _ in range(50):
        if not any(find(w, pyatspi.ROLE_PUSH_BUTTON, "Cores de Fundo") for w in windows(app)):
            return
        time.sleep(0.1)
    fail('"Configurações" não fechou')


def pairs_window(app):
    main = main_window(app)
    for w in windows(app):
        if w != main and find(w, pyatspi.ROLE_STATUS_BAR, "Situação da mão") is not None:
            return w
    return None


def pairs_score(root):
    """The two teams' lines, "NÓS   3   (0)" and "ELES  1   (0)"."""
    return sorted(a.name for a in walk(root) if a.getRole() == pyatspi.ROLE_LABEL
                  and re.fullmatch(r"(NÓS|ELES) +\d+ +\(\d+\)", a.name))


def play_first_pairs_hand(app):
    """From the table's "Iniciar" to the end of the first hand of a game in pairs."""
    press(find(main_window(app), pyatspi.ROLE_PUSH_BUTTON, "Iniciar"))
    log = []
    while pairs_window(app) is None:
        check_time("a mesa de duplas")
        boxes = [w for w in windows(app) if w != main_window(app) and button_names(w)]
        if boxes:
            if find(boxes[0], pyatspi.ROLE_RADIO_BUTTON, "Duplas contra PC") is not None:
                choose_game_kind(boxes[0], "Duplas contra PC")
            else:
                answer_box(boxes[0], log)
        time.sleep(0.3)
    table = pairs_window(app)
    status_bar = find(table, pyatspi.ROLE_STATUS_BAR, "Situação da mão")
    start = pairs_score(table)
    if len(start) != 2:
        fail("o placar das duplas não se lê: %r" % start)
    print("duplas, placar:", start, flush=True)
    last = None
    while True:
        check_time("o fim da primeira mão em duplas")
        status_bar = find(table, pyatspi.ROLE_STATUS_BAR, "Situação da mão")
        status = status_bar.description
        if status != last:
            print("duplas, vez:", status, flush=True)
            last = status
        score = pairs_score(table)
        if score != start:
            print("duplas, fim da mão:", score, flush=True)
            return score
        if status.startswith("Tecle I"):
            press(find(table, pyatspi.ROLE_PUSH_BUTTON, "Iniciar"))
        elif "A aceita" in status:
            press(find(table, pyatspi.ROLE_PUSH_BUTTON, "Aceitar"))
        elif status.startswith("Mão de onze"):
            press(find(table, pyatspi.ROLE_PUSH_BUTTON, "Jogar"))
        elif "1, 2 e 3" in status:
            audit(table, "a mesa de duplas")
            cards = [c for c in walk(table)
                     if c.getRole() == pyatspi.ROLE_PUSH_BUTTON and showing(c)
                     and "Na sua mão" in (c.description or "") and actions(c)[1]]
            if not cards:
                fail("é a vez do jogador em duplas e não há carta que se possa jogar")
            print("duplas, jogo:", cards[0].name, flush=True)
            press(cards[0])
        time.sleep(0.3)


def main():
    program = sys.argv[1]
    proc = subprocess.Popen([program])
    try:
        app = None
        while app is None:
            check_time("o programa no barramento")
            if proc.poll() is not None:
                fail("o programa terminou ao abrir")
            app = the_app()
            time.sleep(0.2)
        results, gains = play_game(app)
        # The table is cleared for the next game at once: the last hand's box says what it gave.
        before = dict(re.findall(r"(Você|Computador) (\d+)", results[-2]))
        winner, gain = gains[-1]
        if int(before[winner]) + gain < 12:
            fail("a partida acabou sem 12 tentos: %r, %r" % (results, gains))
        games = "partidas 1 a 0" if winner == "Você" else "partidas 0 a 1"
        if games not in results[-1]:
            fail("a partida não foi contada para %s: %r" % (winner, results[-1]))
        print("partida jogada até o fim, ganha por", winner, flush=True)
        change_background(app)
        play_first_pairs_hand(app)
    finally:
        proc.terminate()
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
    print("ok", flush=True)


main()
