#include "x11_window_search.h"

#include <xcb/xcb.h>
#include <xcb/xproto.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <string>
#include <vector>

#include "x11_replies.h"

namespace tumbleview {
namespace {

// Frames of window managers hold their client one or two levels down
// (some put a wrapper between); deeper windows are application children.
constexpr int kFrameDepth = 3;

// Compound text spends escape sequences on switching character sets, so a
// WM_NAME of that type may be longer in bytes than its UTF-8 form.
constexpr std::uint32_t kCompoundTextSlackBytes = 256;

std::string latin1ToUtf8(std::string_view latin1) {
  std::string utf8;
  for (const unsigned char c : latin1) {
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
    } else {
      utf8 += static_cast<char>(0xC0 | c >> 6);
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return utf8;
}

// Compound text needs Xlib's converters; they need a Display for the
// locale data only, so Qt's, on the same connection, serves.
bool compoundTextEquals(Display* display, std::string_view raw, std::uint32_t type,
                        std::string_view expected) {
  if (!display) return false;
  std::string copy(raw);
  XTextProperty text{reinterpret_cast<unsigned char*>(copy.data()), type, 8, copy.size()};
  char** list = nullptr;
  int items = 0;
  if (Xutf8TextPropertyToTextList(display, &text, &list, &items) < Success || !list) {
    return false;
  }
  std::string joined;
  for (int i = 0; i < items; ++i) joined += list[i];
  XFreeStringList(list);
  return joined == expected;
}

// One window of the search and what the server told about it.
struct Node {
  xcb_window_t window = 0;
  bool matches = false;
  bool client = false;        // has WM_STATE: a managed client window
  std::vector<int> children;  // node indices, topmost first
};

class Search {
 public:
  Search(X11Connection& connection, std::string_view title)
      : m_connection(connection), m_c(connection.get()), m_title(title) {}

  bool matches(xcb_window_t window) {
    m_nodes.push_back(Node{window, false, false, {}});
    fetchProperties({0});
    return m_nodes.front().matches;
  }

  xcb_window_t run() {
    std::vector<int> tops;
    xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(m_c));
    for (; screen.rem; xcb_screen_next(&screen)) {
      const std::vector<int> children = queryChildren({screen.data->root}).front();
      tops.insert(tops.end(), children.begin(), children.end());
    }
    // One level of the tree at a time: all requests out, then all replies.
    std::vector<int> level = tops;
    fetchProperties(level);
    for (int depth = 0; depth < kFrameDepth && !level.empty(); ++depth) {
      std::vector<int> descend;
      for (int index : level) {
        if (!m_nodes[index].client) descend.push_back(index);
      }
      std::vector<xcb_window_t> windows;
      for (int index : descend) windows.push_back(m_nodes[index].window);
      const std::vector<std::vector<int>> children = queryChildren(windows);
      std::vector<int> next;
      for (std::size_t i = 0; i < descend.size(); ++i) {
        m_nodes[descend[i]].children = children[i];
        next.insert(next.end(), children[i].begin(), children[i].end());
      }
      fetchProperties(next);
      level = std::move(next);
    }
    for (int index : tops) {
      const Node& top = m_nodes[index];
      if (top.matches) return top.window;
      if (top.client) continue;  // a client itself, not a frame
      if (xcb_window_t client = clientInFrame(index, kFrameDepth)) return client;
    }
    return 0;
  }

 private:
  xcb_window_t clientInFrame(int frame, int depth) const {
    if (depth == 0) return 0;
    for (int index : m_nodes[frame].children) {
      const Node& child = m_nodes[index];
      if (child.client) {
        if (child.matches) return child.window;
      } else if (xcb_window_t found = clientInFrame(index, depth - 1)) {
        return found;
      }
    }
    return 0;
  }

  // Children of each window as new nodes, topmost first.  A window that has
  // gone meanwhile has none.
  std::vector<std::vector<int>> queryChildren(const std::vector<xcb_window_t>& windows) {
    std::vector<xcb_query_tree_cookie_t> cookies;
    for (xcb_window_t window : windows) cookies.push_back(xcb_query_tree(m_c, window));
    std::vector<std::vector<int>> result(windows.size());
    for (std::size_t i = 0; i < cookies.size(); ++i) {
      const auto reply = replyOf<xcb_query_tree_reply_t>(m_c, xcb_query_tree_reply, cookies[i]);
      if (!reply) continue;
      const xcb_window_t* children = xcb_query_tree_children(reply.get());
      // The server lists children bottom to top.
      for (int k = xcb_query_tree_children_length(reply.get()); k-- > 0;) {
        result[i].push_back(static_cast<int>(m_nodes.size()));
        m_nodes.push_back(Node{children[k], false, false, {}});
      }
    }
    return result;
  }

  void fetchProperties(const std::vector<int>& indices) {
    // Names are read one byte past the title, so a longer one never passes
    // for equal and a huge one is never fetched whole.
    const std::uint32_t nameWords = static_cast<std::uint32_t>(m_title.size() / 4 + 1);
    const std::uint32_t compoundWords =
        static_cast<std::uint32_t>((m_title.size() + kCompoundTextSlackBytes) / 4 + 1);
    struct Cookies {
      xcb_get_property_cookie_t netWmName, wmName, wmState;
    };
    std::vector<Cookies> cookies;
    cookies.reserve(indices.size());
    for (int index : indices) {
      const xcb_window_t window = m_nodes[index].window;
      cookies.push_back(
          {xcb_get_property(m_c, 0, window, m_connection.netWmName, m_connection.utf8String, 0,
                            nameWords),
           xcb_get_property(m_c, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0,
                            compoundWords),
           xcb_get_property(m_c, 0, window, m_connection.wmState, XCB_GET_PROPERTY_TYPE_ANY, 0,
                            0)});
    }
    for (std::size_t i = 0; i < indices.size(); ++i) {
      Node& node = m_nodes[indices[i]];
      const auto fetch = [&](xcb_get_property_cookie_t cookie) {
        return replyOf<xcb_get_property_reply_t>(m_c, xcb_get_property_reply, cookie);
      };
      const auto netWmName = fetch(cookies[i].netWmName);
      const auto wmName = fetch(cookies[i].wmName);
      const auto wmState = fetch(cookies[i].wmState);
      node.client = wmState && wmState->type != XCB_ATOM_NONE;
      node.matches = (netWmName && netWmNameMatches(netWmName.get())) ||
                     (wmName && wmNameMatches(wmName.get()));
    }
  }

  static std::string_view valueOf(xcb_get_property_reply_t* reply) {
    return std::string_view(static_cast<const char*>(xcb_get_property_value(reply)),
                            static_cast<std::size_t>(xcb_get_property_value_length(reply)));
  }

  bool netWmNameMatches(xcb_get_property_reply_t* reply) const {
    return m_connection.utf8String != 0 && reply->type == m_connection.utf8String &&
           reply->format == 8 && reply->bytes_after == 0 && valueOf(reply) == m_title;
  }

  bool wmNameMatches(xcb_get_property_reply_t* reply) const {
    if (reply->type == XCB_ATOM_NONE || reply->format != 8 || reply->bytes_after != 0) {
      return false;
    }
    const std::string_view raw = valueOf(reply);
    if (reply->type == XCB_ATOM_STRING) return latin1ToUtf8(raw) == m_title;
    if (m_connection.utf8String != 0 && reply->type == m_connection.utf8String) {
      return raw == m_title;
    }
    if (m_connection.compoundText != 0 && reply->type == m_connection.compoundText) {
      return compoundTextEquals(m_connection.xlibDisplay(), raw, reply->type, m_title);
    }
    return false;
  }

  X11Connection& m_connection;
  xcb_connection_t* m_c;
  std::string_view m_title;
  std::vector<Node> m_nodes;
};

}  // namespace

X11WindowId findWindowByTitle(X11Connection& connection, std::string_view titleUtf8) {
  if (xcb_connection_has_error(connection.get())) return 0;
  return Search(connection, titleUtf8).run();
}

X11WindowId findWindowByTitle(std::string_view titleUtf8) {
  X11Connection* connection = X11Connection::shared();
  return connection ? findWindowByTitle(*connection, titleUtf8) : 0;
}

bool windowHasTitle(X11WindowId window, std::string_view titleUtf8) {
  X11Connection* connection = X11Connection::shared();
  if (!connection || window == 0 || xcb_connection_has_error(connection->get())) return false;
  return Search(*connection, titleUtf8).matches(static_cast<xcb_window_t>(window));
}

WindowExtent windowExtentOf(X11Connection& connection, X11WindowId window) {
  if (window == 0) return {};
  xcb_connection_t* c = connection.get();
  const auto geometry = replyOf<xcb_get_geometry_reply_t>(
      c, xcb_get_geometry_reply, xcb_get_geometry(c, static_cast<xcb_window_t>(window)));
  if (!geometry) return {};
  return {geometry->width + 2 * geometry->border_width,
          geometry->height + 2 * geometry->border_width};
}

WindowExtent windowExtentOf(X11WindowId window) {
  X11Connection* connection = X11Connection::shared();
  return connection ? windowExtentOf(*connection, window) : WindowExtent{};
}

}  // namespace tumbleview
